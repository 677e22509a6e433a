// SPDX-License-Identifier: MIT
#pragma once

#include "ui/UiExport.h"

#include "grid/GridBase.h"
#include "grid/GridRegistry.h"

#include <QBoxLayout>
#include <QPointer>

#include <exception>

namespace physprops::ui
{
// Raised when a grid class name cannot be registered.
class PHYSPROPS_UI_EXPORT CResourceException : public std::exception
{
public:
    const char* what() const noexcept override { return "grid window class registration failed"; }
};

// Class-name registration shared by the three grid classes.
template <class TGrid> class CGridWindowClass
{
public:
    static const char* RegisterClassA() { return RegisterClassA(BackendInstance()); }
    static const char* RegisterClassA(const void* hInstance)
    {
        if (IsGridClassRegistered(hInstance, TGrid::kClassName))
            return TGrid::kClassName;
        if (!RegisterGridClass(hInstance, TGrid::kClassName, &TGrid::WndProcHook))
            throw CResourceException();
        return TGrid::kClassName;
    }
    static void UnregisterClassA() { UnregisterClassA(BackendInstance()); }
    static void UnregisterClassA(const void* hInstance)
    {
        UnregisterGridClass(hInstance, TGrid::kClassName);
    }
};
} // namespace physprops::ui

#define PHYSPROPS_GRID_WINDOW_CLASS(TGrid)                                                         \
    friend class physprops::ui::CGridWindowClass<TGrid>;                                           \
                                                                                                   \
protected:                                                                                         \
    /* Creates the grid for a window made under the class name; the window owns it. */             \
    static QWidget* WndProcHook(QWidget* pWindow)                                                  \
    {                                                                                              \
        auto* pGrid = new TGrid(pWindow);                                                          \
        if (!pWindow->layout())                                                                    \
        {                                                                                          \
            auto* pLayout = new QVBoxLayout(pWindow);                                              \
            pLayout->setContentsMargins(0, 0, 0, 0);                                               \
        }                                                                                          \
        pWindow->layout()->addWidget(pGrid);                                                       \
        MarkSelfDeleting(pGrid);                                                                   \
        return pGrid;                                                                              \
    }

// The Property/Value table of the physical properties dialog.
class PHYSPROPS_UI_EXPORT CPhysPropsGrid : public physprops::ui::CGridBase,
                                           public physprops::ui::CGridWindowClass<CPhysPropsGrid>
{
    Q_OBJECT
    PHYSPROPS_GRID_WINDOW_CLASS(CPhysPropsGrid)
public:
    static constexpr const char* kClassName = "CPhysPropsGrid";
    explicit CPhysPropsGrid(QWidget* pParent = nullptr);

    QString GetSelectedProperty() const { return GetValueRowCol(m_nSelRow, 1); }
    QString GetSelectedValue() const { return GetValueRowCol(m_nSelRow, 2); }

protected:
    // As in a spreadsheet, text typed on a row's read-only Property cell
    // starts editing that row's value with it. Enter then stores the value
    // and goes on to the dialog, as Enter on that row would have: the
    // keyboard never left the row.
    void keyPressEvent(QKeyEvent* pEvent) override;

private:
    QPointer<QWidget> m_pTypedEditor;
    bool m_bForwarding = false;
};

// The footprint list of both footprint selection dialogs.
class PHYSPROPS_UI_EXPORT CSymbolGrid : public physprops::ui::CGridBase,
                                        public physprops::ui::CGridWindowClass<CSymbolGrid>
{
    Q_OBJECT
    PHYSPROPS_GRID_WINDOW_CLASS(CSymbolGrid)
public:
    static constexpr const char* kClassName = "CSymbolGrid";
    explicit CSymbolGrid(QWidget* pParent = nullptr);

    QString GetSelectedFootprint() const { return GetValueRowCol(m_nSelRow, 1); }
};

// The footprint/location list of the location chooser. A double-click on a
// data row is signalled; the chooser opens the location.
class PHYSPROPS_UI_EXPORT CLocGrid : public physprops::ui::CGridBase,
                                     public physprops::ui::CGridWindowClass<CLocGrid>
{
    Q_OBJECT
    PHYSPROPS_GRID_WINDOW_CLASS(CLocGrid)
public:
    static constexpr const char* kClassName = "CLocGrid";
    explicit CLocGrid(QWidget* pParent = nullptr);

    QString GetSelectedLocation() const { return GetValueRowCol(m_nSelRow, 2); }

    bool OnLButtonDblClkRowCol(quint32 nRow, int nCol, Qt::KeyboardModifiers flags,
                               QPoint pt) override;

Q_SIGNALS:
    // A double-click on data row nRow; strLocation is that row's location
    // when it is the remembered row, else empty (a click first moves it).
    void locationDoubleClicked(quint32 nRow, const QString& strLocation);
};
