// SPDX-License-Identifier: MIT
#include "SyntheticInput.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>

namespace host
{
namespace
{
// The text a key types: the keys that type a control character type it.
QString KeyText(Qt::Key nKey)
{
    switch (nKey)
    {
    case Qt::Key_Backspace:
        return QStringLiteral("\b");
    case Qt::Key_Tab:
        return QStringLiteral("\t");
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return QStringLiteral("\r");
    case Qt::Key_Escape:
        return QStringLiteral("\x1b");
    case Qt::Key_Space:
        return QStringLiteral(" ");
    default:
        return {};
    }
}

// The key that types a character: a letter's capital, the character itself
// for the rest of Latin-1, the named key for a control character.
Qt::Key CharacterKey(char32_t c)
{
    switch (c)
    {
    case U'\b':
        return Qt::Key_Backspace;
    case U'\t':
        return Qt::Key_Tab;
    case U'\r':
    case U'\n':
        return Qt::Key_Return;
    case U'\x1b':
        return Qt::Key_Escape;
    default:
        break;
    }
    if (c >= U'a' && c <= U'z')
        return Qt::Key(c - U'a' + U'A');
    if (c >= 0x20 && c < 0x7f)
        return Qt::Key(c);
    if (c >= 0xa0 && c <= 0xff)
    {
        const char32_t upper = QChar::toUpper(c);
        return Qt::Key(upper <= 0xff ? upper : c);
    }
    return Qt::Key_unknown;
}

void SendKey(QWidget* pWidget, Qt::Key nKey, const QString& strText)
{
    QPointer<QWidget> pGuard(pWidget);
    // A key press that is not the window system's is offered to the
    // shortcuts first by the application itself.
    QKeyEvent press(QEvent::KeyPress, nKey, Qt::NoModifier, strText);
    QApplication::sendEvent(pWidget, &press);
    // Return may close the editor or dialog the key went to.
    if (!pGuard)
        return;
    QKeyEvent release(QEvent::KeyRelease, nKey, Qt::NoModifier, strText);
    QApplication::sendEvent(pWidget, &release);
}

// A press from the window system gives the focus to the first widget from
// the one clicked up to its window that takes focus by click; an event sent
// by hand does not, so the press does it here.
void GiveFocusAsAClickWould(QWidget* pWidget, QPoint pos)
{
    for (QWidget* pW = pWidget; pW; pW = pW->parentWidget())
    {
        QWidget* pProxy = pW;
        while (pProxy->focusProxy())
            pProxy = pProxy->focusProxy();
        const bool bTakes =
            (pW->focusPolicy() & Qt::ClickFocus) == Qt::ClickFocus &&
            (pProxy == pW || (pProxy->focusPolicy() & Qt::ClickFocus) == Qt::ClickFocus);
        if (pW->isEnabled() && pW->rect().contains(pos) && bTakes)
        {
            pW->setFocus(Qt::MouseFocusReason);
            return;
        }
        // A click on a widget that has the focus keeps it there.
        if (pW->isWindow() || pProxy->hasFocus())
            return;
        pos += pW->pos();
    }
}

void SendMouse(QWidget* pWidget, QEvent::Type nType, QPoint pos, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers mods)
{
    if (nType != QEvent::MouseButtonRelease)
        GiveFocusAsAClickWould(pWidget, pos);
    QMouseEvent event(nType, pos, pWidget->mapToGlobal(pos), Qt::LeftButton, buttons, mods);
    QApplication::sendEvent(pWidget, &event);
}
} // namespace

void SendKeyClick(QWidget* pWidget, Qt::Key nKey)
{
    SendKey(pWidget, nKey, KeyText(nKey));
}

void SendKeyClicks(QWidget* pWidget, const QString& strText)
{
    QPointer<QWidget> pGuard(pWidget);
    for (const char32_t c : strText.toUcs4())
    {
        if (!pGuard)
            return;
        SendKey(pWidget, CharacterKey(c), QString::fromUcs4(&c, 1));
    }
}

void SendText(QWidget* pWidget, const QString& strText)
{
    QPointer<QWidget> pGuard(pWidget);
    qsizetype nRun = 0; // start of the printable run not yet sent
    const auto flush = [&](qsizetype nEnd)
    {
        if (nEnd > nRun && pGuard)
            SendKey(pWidget, Qt::Key_unknown, strText.mid(nRun, nEnd - nRun));
    };
    for (qsizetype i = 0; i < strText.size(); ++i)
    {
        const QChar c = strText[i];
        if (c.isPrint() || c.isSurrogate())
            continue;
        flush(i);
        if (!pGuard)
            return;
        SendKey(pWidget, CharacterKey(c.unicode()), QString(c));
        nRun = i + 1;
    }
    flush(strText.size());
}

void SendMouseClick(QWidget* pWidget, QPoint pos, Qt::KeyboardModifiers mods)
{
    QPointer<QWidget> pGuard(pWidget);
    SendMouse(pWidget, QEvent::MouseButtonPress, pos, Qt::LeftButton, mods);
    if (pGuard)
        SendMouse(pWidget, QEvent::MouseButtonRelease, pos, Qt::NoButton, mods);
}

void SendMouseDoubleClick(QWidget* pWidget, QPoint pos)
{
    SendMouse(pWidget, QEvent::MouseButtonDblClick, pos, Qt::LeftButton, {});
}

} // namespace host
