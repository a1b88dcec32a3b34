#pragma once
// The colour swatch: a rectangle filled with its brush colour that reports mouse presses.

#include <QWidget>
#include <functional>

#include "platform/rtl/Graphics.h"

class TShape : public QWidget {
  Q_OBJECT

 public:
  explicit TShape(QWidget* parent = nullptr);

  TColor BrushColor() const { return FBrushColor; }
  void SetBrushColor(TColor color);

  std::function<void(Qt::MouseButton)> OnMouseDown;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  TColor FBrushColor = 0xFFFFFF;
};
