#pragma once

#include <QColor>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QScrollArea>
#include <cstdint>

namespace brenvik {

struct FontSpec;

// A stored pane font as the toolkit's font (face as stored, points, styles); its colour is
// the FontSpec's own. The font is complete: a widget given it inherits nothing of its
// parents' fonts (a style name such as "Italic" included). And back: the face as the font
// names it, a size kept within 1..72.
QFont ToQFont(const FontSpec& stored);
FontSpec FromQFont(const QFont& font, std::uint32_t color);

// `font` with every property its own, so that none is taken over from a parent widget's font.
QFont CompleteFont(QFont font);

// A one-line label that shortens its text with "…" to the width it is given, instead of
// asking its layout for the whole text's width; the whole text is its tool tip then.
class ElidingLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
    void setFullText(const QString& text);
    const QString& fullText() const { return full_; }
    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void elide();
    QString full_;
};

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
