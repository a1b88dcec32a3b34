#include "platform/gui/ExtCtrls.h"

#include <QMouseEvent>
#include <QPainter>

#include "platform/gui/GuiColors.h"

TShape::TShape(QWidget* parent) : QWidget(parent) {}

void TShape::SetBrushColor(TColor color) {
  if (color == FBrushColor) return;
  FBrushColor = color;
  update();
}

void TShape::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(Qt::black);
  painter.setBrush(ToQColor(FBrushColor));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void TShape::mousePressEvent(QMouseEvent* event) {
  if (OnMouseDown) OnMouseDown(event->button());
}
