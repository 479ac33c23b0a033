#pragma once

#include <QAbstractButton>

class SkinItem;

// What assistive technology sees of one clickable skin element: an invisible
// button over the element, with its name and tooltip. The skin widget still
// draws the element and takes the mouse; pressing this button through the
// accessibility interface clicks the element.
class SkinAccessibleButton : public QAbstractButton {
    Q_OBJECT
public:
    SkinAccessibleButton(const SkinItem &item, QWidget *skin);

protected:
    void paintEvent(QPaintEvent *event) override;
};
