// SPDX-License-Identifier: MIT
#pragma once

#include <QBrush>
#include <QCache>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QStyleOptionViewItem>

#include <optional>

namespace physprops::ui
{
// Cells kept as the images they were drawn to. After a keystroke a grid of
// a million footprints repaints a few dozen cells, mostly ones it has drawn
// before, and laying out their texts (shaping, eliding) is most of that
// repaint. A cell is drawn afresh whenever anything it shows differs: text,
// size, state, font, palette, background or style.
class CCellCache
{
public:
    // Draws the cell of opt (an option the delegate has filled in) either
    // from the image of an equal cell drawn before, or through
    // draw(painter, rect), which paints the whole cell within rect.
    // nVariant tells apart cells that draw equal options differently.
    template <class Draw>
    void Paint(QPainter* pPainter, const QStyleOptionViewItem& opt, int nVariant, const Draw& draw)
    {
        std::optional<Key> key = KeyOf(*pPainter, opt, nVariant);
        if (!key)
            return draw(pPainter, opt.rect);
        if (const QImage* pKept = m_cells.object(*key))
            return pPainter->drawImage(opt.rect.topLeft(), *pKept);
        QImage image = Blank(opt, key->nDpr);
        {
            QPainter on(&image);
            draw(&on, QRect(QPoint(0, 0), opt.rect.size()));
        }
        pPainter->drawImage(opt.rect.topLeft(), image);
        Keep(std::move(*key), image, opt);
    }

    // Off, every cell is drawn afresh (what the kept images are checked against).
    void SetEnabled(bool bEnabled);
    void Clear() { m_cells.clear(); }
    int Count() const { return int(m_cells.count()); }

    struct Key
    {
        QString strText;
        QFont font;
        QBrush background;
        QBrush viewBackground;
        qint64 nPalette = 0;
        QSize size;
        int nDpr = 1;
        int nState = 0;
        int nFeatures = 0;
        int nAlignment = 0;
        int nElide = 0;
        int nDirection = 0;
        int nColorGroup = 0;
        int nVariant = 0;
        const void* pStyle = nullptr;
        bool operator==(const Key& other) const;
    };

private:
    // None when the cell is better drawn directly: a scaled or faded
    // painter, an icon or check box, a patterned background.
    std::optional<Key> KeyOf(const QPainter& painter, const QStyleOptionViewItem& opt,
                             int nVariant) const;
    // An image of what lies under the cell before the delegate draws.
    static QImage Blank(const QStyleOptionViewItem& opt, int nDpr);
    void Keep(Key&& key, const QImage& image, const QStyleOptionViewItem& opt);

    QCache<Key, QImage> m_cells;
    bool m_bEnabled = true;
};

size_t qHash(const CCellCache::Key& key, size_t nSeed = 0) noexcept;
} // namespace physprops::ui
