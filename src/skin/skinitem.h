#pragma once

#include "skin/skin.h"
#include "skin/skinelementdef.h"

#include <QFont>
#include <QRect>

class QPainter;
class QWidget;

enum class SkinItemState { Normal, Hovered, Pressed };

// An element as the skin widget holds it: it knows its place and draws itself.
class SkinItem : public SkinElement {
public:
    SkinItem(SkinElementDef def, QWidget *host);

    QString name() const override;
    void setText(const QString &text) override;
    void refresh() override;

    QString text() const { return m_text; }
    QRect rect() const { return m_def.rect; }
    QString hint() const { return m_def.hint; }
    SkinElementKind kind() const { return m_def.kind; }
    virtual bool isClickable() const;
    virtual void paint(QPainter &painter, SkinItemState state) const = 0;

protected:
    const SkinElementDef &definition() const { return m_def; }
    QFont textFont() const;
    // A rounded box with a shaded face; a transparent border draws none.
    void drawBox(QPainter &painter, const SkinFill &face, const QColor &border) const;
    // The glyph (if any) and the text, centred together or aligned as the skin says.
    void drawContent(QPainter &painter, const QRectF &area) const;

private:
    SkinElementDef m_def;
    QString m_text;
    QWidget *m_host;
};
