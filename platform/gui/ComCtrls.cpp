#include "platform/gui/ComCtrls.h"

#include <QHBoxLayout>
#include <QToolButton>
#include <algorithm>

TUpDown::TUpDown(QWidget* parent)
    : QWidget(parent), FPrev(new QToolButton(this)), FNext(new QToolButton(this)) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  for (QToolButton* arrow : {FPrev, FNext}) {
    arrow->setAutoRepeat(true);
    arrow->setFocusPolicy(Qt::NoFocus);
    arrow->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    layout->addWidget(arrow);
  }
  FPrev->setArrowType(Qt::LeftArrow);
  FNext->setArrowType(Qt::RightArrow);
  connect(FPrev, &QToolButton::clicked, this, [this] { Step(btPrev); });
  connect(FNext, &QToolButton::clicked, this, [this] { Step(btNext); });
}

void TUpDown::SetMin(int value) {
  FMin = value;
  FMax = std::max(FMax, FMin);
  SetPosition(FPosition);
}

void TUpDown::SetMax(int value) {
  FMax = value;
  FMin = std::min(FMin, FMax);
  SetPosition(FPosition);
}

void TUpDown::SetPosition(int value) {
  FPosition = std::clamp(value, FMin, FMax);
}

void TUpDown::Step(TUDBtnType button) {
  const int old = FPosition;
  SetPosition(button == btNext ? FPosition + 1 : FPosition - 1);
  if (FPosition != old && OnClick) OnClick(button);
}
