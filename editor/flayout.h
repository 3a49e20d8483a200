#pragma once

#include <QLabel>
#include <QWidget>
#include <array>
#include <vector>

namespace brenvik {

// A captioned box of a layout picture or a proportions strip; reports clicks and double
// clicks so that one handler can serve every box.
class CaptionBox : public QLabel {
    Q_OBJECT
public:
    explicit CaptionBox(const QString& caption, QWidget* parent = nullptr);
    void setColors(const QColor& background, const QColor& text);

Q_SIGNALS:
    void clicked();
    void doubleClicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

// The 5-pixel bar between two panes of a strip. QSplitter would resize both neighbours;
// this bar only reports how far the pointer has travelled since the press, and the strip
// decides which panes give way.
class StripSplitter : public QWidget {
    Q_OBJECT
public:
    StripSplitter(const QColor& color, QWidget* parent);

Q_SIGNALS:
    void dragStarted();
    void dragged(int dx);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QColor color_;
    int pressX_ = 0;
    bool dragging_ = false;
};

// A proportions strip of the question editor: two or three panes side by side over the
// answer pane, with the bars between them and a width label per pane. Its PMain is
// placed into the editor's "Layout Proportions" tab.
class TFormLayout : public QWidget {
    Q_OBJECT
public:
    TFormLayout(int paneCount, QWidget* parent);

    QWidget* PMain = nullptr;
    QWidget* PStrip = nullptr; // 301 x 98
    std::array<CaptionBox*, 3> P{};
    std::array<StripSplitter*, 2> Splitter{};
    std::array<QLabel*, 3> LPercent{};
    CaptionBox* PAnswer = nullptr;

    int paneCount() const { return paneCount_; }
    int total() const { return total_; }
    int paneWidth(int k) const { return widths_.at(std::size_t(k)); } // k from 0

    // Pane widths from a stored proportions text; no pane ends under the minimum.
    void loadProportions(const QString& text);
    // "40%" for two panes, "33%, 33%" for three.
    QString proportionsText() const;
    // Gives pane k (from 0, not the last) `width` pixels within the limits, the last pane
    // taking the rest; with `byUser` a change counts as an edit. True when widths changed.
    bool setPaneWidth(int k, int width, bool byUser);

    // Labels and captions from the widths; with `byUser` also the `changed` signal.
    void Splitter1Moved(bool byUser);

Q_SIGNALS:
    void changed();
    void paneDoubleClicked(int slot); // 1 .. paneCount

private:
    void placePanes();

    int paneCount_;
    int total_;
    std::vector<int> widths_;
    int dragStartWidth_ = 0;
};

class TFormLayout2 : public TFormLayout {
public:
    explicit TFormLayout2(QWidget* parent = nullptr) : TFormLayout(2, parent) {}
};

class TFormLayout3 : public TFormLayout {
public:
    explicit TFormLayout3(QWidget* parent = nullptr) : TFormLayout(3, parent) {}
};

// The caption of pane `slot` at `width` pixels: "Pane 1", "P. 1" or "P.1".
QString StripPaneCaption(int slot, int width);

} // namespace brenvik
