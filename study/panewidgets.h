#pragma once

#include <QColor>
#include <QFrame>
#include <QImage>
#include <QScrollArea>
#include <cstdint>

namespace brenvik {

struct FontSpec;

// A stored pane font as the toolkit's font (face as stored, points, styles); its colour is
// the FontSpec's own. And back: the face as the font names it, a size kept within 1..72.
QFont ToQFont(const FontSpec& stored);
FontSpec FromQFont(const QFont& font, std::uint32_t color);

// The pane borders, drawn the same way in the study window and the editor's previews:
// shallow is a one-pixel lowered bevel, deep a two-pixel sunken frame; never both (deep wins).
void ApplyPaneBorders(QFrame* frame, bool shallow, bool deep);
// The inset the borders take: 2 x deep + shallow.
int PaneBorderInset(bool shallow, bool deep);

// A picture in a scrolling box on a background colour. Unstretched, the picture has its
// natural size, scrolls when larger than the box and stays centred when smaller; stretched,
// it fills the box by FitImage (aspect kept, centred along the free axis).
class PictureView : public QScrollArea {
    Q_OBJECT
public:
    explicit PictureView(QWidget* parent = nullptr);

    void setImage(const QImage& image); // a null image shows only the background
    const QImage& image() const { return image_; }
    void setStretch(bool stretch);
    bool stretch() const { return stretch_; }
    void setBackground(const QColor& color);
    QColor background() const { return background_; }
    // Where the picture is drawn, in the box's viewport coordinates (for tests and previews).
    QRect pictureRect() const;
    // Lays the picture out again for the current size (called on resize as well).
    void relayout();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    class Canvas;
    Canvas* canvas_;
    QImage image_;
    bool stretch_ = false;
    QColor background_ = Qt::white;
};

} // namespace brenvik
