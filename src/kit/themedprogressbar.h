#pragma once

#include <QColor>
#include <QWidget>

// The themed horizontal progress bar: range 0..100, a percentage caption that
// can be switched on and off, border and fill colour.
class ThemedProgressBar : public QWidget {
    Q_OBJECT
public:
    explicit ThemedProgressBar(QWidget *parent = nullptr);

    int position() const { return m_position; }
    void setPosition(int position);
    bool captionVisible() const { return m_captionVisible; }
    void setCaptionVisible(bool visible);
    QColor borderColor() const { return m_borderColor; }
    void setBorderColor(const QColor &color);
    QColor fillColor() const { return m_fillColor; }
    void setFillColor(const QColor &color);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_position = 0;
    bool m_captionVisible = false;
    QColor m_borderColor{240, 245, 255};
    QColor m_fillColor{240, 245, 255};
};
