// SPDX-License-Identifier: MIT
#pragma once

#include "ui/UiExport.h"

#include <QDialog>
#include <QGuiApplication>
#include <QPointer>

namespace physprops::ui
{
// Shows the wait cursor for the life of the guard, also when an exception
// leaves the scope.
class PHYSPROPS_UI_EXPORT CWaitCursor
{
public:
    CWaitCursor();
    ~CWaitCursor();
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;

private:
    bool m_bActive;
};

// Forms and grid columns are laid out in pixels of the default font here (an
// average character 6.08 pixels wide, a line 14 high); these scale such a
// size to the font the widget really has, so larger fonts get room.
PHYSPROPS_UI_EXPORT int FontScaledWidth(int nDesigned, const QWidget& widget);
PHYSPROPS_UI_EXPORT QSize FontScaledSize(const QSize& designed, const QWidget& widget);
} // namespace physprops::ui

// Plain: a dialog's result is an int (QDialog::exec, the module's callers).
enum DialogResult
{
    IDOK = 1,
    IDCANCEL = 2,
};

namespace physprops::ui
{
// Remembers the window the user works in, to give it the focus back after
// a dialog or a message box: ours often have no parent window of ours, and
// not every platform hands the focus back when a parentless modal closes.
class PHYSPROPS_UI_EXPORT CFocusReturn
{
public:
    CFocusReturn();
    // Activates the remembered window if it is still shown (and not pExcept).
    void GiveBack(const QWidget* pExcept = nullptr) const;

private:
    QPointer<QWidget> m_pCaller;
};

// A dialog run the way the module's callers expect: set up once by
// OnInitDialog (at DoModal, or by InitDialog for a non-modal show), closed
// with OnOK and OnCancel.
class PHYSPROPS_UI_EXPORT CDialogBase : public QDialog
{
    Q_OBJECT
public:
    explicit CDialogBase(QWidget* pParent = nullptr);

    // Runs the dialog modally: 1 after OK, 2 after Cancel, the close box or
    // Escape, -1 when it could not be set up or no widget application
    // exists to show it in.
    int DoModal();
    // Runs OnInitDialog once; false when the dialog could not be set up.
    bool InitDialog();

protected:
    virtual bool OnInitDialog() { return true; }
    virtual void OnOK() { QDialog::accept(); }
    virtual void OnCancel() { QDialog::reject(); }

    void reject() override { OnCancel(); }

private:
    bool m_bInitialized = false;
    bool m_bInitOk = false;
};
} // namespace physprops::ui
