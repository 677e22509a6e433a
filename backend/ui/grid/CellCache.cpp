// SPDX-License-Identifier: MIT
#include "grid/CellCache.h"

#include <QAbstractScrollArea>
#include <QStyle>

#include <algorithm>
#include <cmath>

namespace physprops::ui
{
namespace
{
const QWidget* ViewportOf(const QStyleOptionViewItem& opt)
{
    const auto* pArea = qobject_cast<const QAbstractScrollArea*>(opt.widget);
    return pArea ? pArea->viewport() : nullptr;
}

// Cells larger than this are rare and cheap to lay out for their number.
constexpr qint64 kLargestCell = 1 << 20; // device pixels
} // namespace

bool CCellCache::Key::operator==(const Key& other) const
{
    return strText == other.strText && size == other.size && nDpr == other.nDpr &&
           nState == other.nState && nFeatures == other.nFeatures &&
           nAlignment == other.nAlignment && nElide == other.nElide &&
           nDirection == other.nDirection && nColorGroup == other.nColorGroup &&
           nVariant == other.nVariant && pStyle == other.pStyle && nPalette == other.nPalette &&
           font == other.font && background == other.background &&
           viewBackground == other.viewBackground;
}

size_t qHash(const CCellCache::Key& key, size_t nSeed) noexcept
{
    return qHashMulti(nSeed, key.strText, key.size.width(), key.size.height(), key.nState,
                      key.nVariant, key.nPalette);
}

void CCellCache::SetEnabled(bool bEnabled)
{
    m_bEnabled = bEnabled;
    if (!bEnabled)
        Clear();
}

std::optional<CCellCache::Key>
CCellCache::KeyOf(const QPainter& painter, const QStyleOptionViewItem& opt, int nVariant) const
{
    if (!m_bEnabled || opt.rect.isEmpty() || painter.opacity() != 1.0 ||
        painter.compositionMode() != QPainter::CompositionMode_SourceOver)
        return std::nullopt;
    // An image lands on whole device pixels only: no scaling, no half steps.
    const QTransform& t = painter.deviceTransform();
    if (t.type() > QTransform::TxTranslate || t.dx() != std::floor(t.dx()) ||
        t.dy() != std::floor(t.dy()))
        return std::nullopt;
    const qreal dDpr = painter.device() ? painter.device()->devicePixelRatio() : 1.0;
    if (dDpr < 1.0 || dDpr != std::floor(dDpr) ||
        qint64(opt.rect.width()) * opt.rect.height() * qint64(dDpr * dDpr) > kLargestCell)
        return std::nullopt;
    if (opt.features &
        (QStyleOptionViewItem::HasDecoration | QStyleOptionViewItem::HasCheckIndicator))
        return std::nullopt;
    const Qt::BrushStyle background = opt.backgroundBrush.style();
    if (background != Qt::NoBrush && background != Qt::SolidPattern)
        return std::nullopt;
    // The image is opaque: it starts from what the viewport fills itself with.
    const QWidget* pViewport = ViewportOf(opt);
    if (!pViewport || !pViewport->autoFillBackground())
        return std::nullopt;
    const QBrush viewBackground = pViewport->palette().brush(pViewport->backgroundRole());
    if (viewBackground.style() != Qt::SolidPattern || !viewBackground.isOpaque())
        return std::nullopt;

    Key key;
    key.strText = opt.text;
    key.font = opt.font;
    key.background = opt.backgroundBrush;
    key.viewBackground = viewBackground;
    key.nPalette = opt.palette.cacheKey();
    key.size = opt.rect.size();
    key.nDpr = int(dDpr);
    key.nState = int(opt.state);
    key.nFeatures = int(opt.features);
    key.nAlignment = int(opt.displayAlignment);
    key.nElide = int(opt.textElideMode);
    key.nDirection = int(opt.direction);
    key.nColorGroup = int(opt.palette.currentColorGroup());
    key.nVariant = nVariant;
    key.pStyle = opt.widget->style();
    return key;
}

QImage CCellCache::Blank(const QStyleOptionViewItem& opt, int nDpr)
{
    QImage image(opt.rect.size() * nDpr, QImage::Format_RGB32);
    image.setDevicePixelRatio(nDpr);
    const QWidget* pViewport = ViewportOf(opt);
    image.fill(pViewport->palette().brush(pViewport->backgroundRole()).color());
    // The row's own background, which the view draws before the delegate.
    QStyleOptionViewItem row = opt;
    row.rect = QRect(QPoint(0, 0), opt.rect.size());
    QPainter on(&image);
    opt.widget->style()->drawPrimitive(QStyle::PE_PanelItemViewRow, &row, &on, opt.widget);
    on.end();
    return image;
}

void CCellCache::Keep(Key&& key, const QImage& image, const QStyleOptionViewItem& opt)
{
    // Several screens of cells: typing on and back again finds the rows it
    // showed a few keystrokes before. Bounded for very large screens.
    const QWidget* pViewport = ViewportOf(opt);
    const qint64 nScreenKb =
        qint64(pViewport->width()) * pViewport->height() * qint64(key.nDpr) * key.nDpr * 4 / 1024;
    m_cells.setMaxCost(qsizetype(std::clamp<qint64>(8 * nScreenKb, 1024, qint64{32} * 1024)));
    const qsizetype nCost = qsizetype(image.sizeInBytes() / 1024) + 1;
    m_cells.insert(key, new QImage(image), nCost);
}
} // namespace physprops::ui
