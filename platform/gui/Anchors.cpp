#include "platform/gui/Anchors.h"

#include <QEvent>
#include <QVariant>
#include <algorithm>
#include <vector>

TAnchors ParseAnchors(const QString& text) {
  TAnchors anchors = 0;
  for (const QString& part : text.split(',', Qt::SkipEmptyParts)) {
    const QString name = part.trimmed();
    if (name == "akLeft")
      anchors |= akLeft;
    else if (name == "akTop")
      anchors |= akTop;
    else if (name == "akRight")
      anchors |= akRight;
    else if (name == "akBottom")
      anchors |= akBottom;
  }
  return anchors ? anchors : akLeft | akTop;
}

namespace {

// Start and length of one axis of a control after its parent grew by `delta` from `design`.
void Place(bool nearSide, bool farSide, int start, int length, int design, int actual,
           int& newStart, int& newLength) {
  const int delta = actual - design;
  newStart = start;
  newLength = length;
  if (nearSide && farSide) {
    newLength = std::max(0, length + delta);
  } else if (farSide) {
    newStart = start + delta;
  } else if (!nearSide && design > 0) {
    const double centre = (start + length / 2.0) * actual / design;
    newStart = static_cast<int>(centre - length / 2.0 + 0.5);
  }
}

class TAnchorKeeper : public QObject {
 public:
  TAnchorKeeper(QWidget* parent, QSize design) : QObject(parent), FParent(parent), FDesign(design) {
    for (QObject* child : parent->children()) {
      auto* widget = qobject_cast<QWidget*>(child);
      if (!widget || widget->isWindow()) continue;
      FItems.push_back(
          {widget, widget->geometry(), ParseAnchors(widget->property("anchors").toString())});
    }
    parent->installEventFilter(this);
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == FParent && event->type() == QEvent::Resize) Arrange();
    return false;
  }

 private:
  struct TItem {
    QWidget* Widget;
    QRect Design;
    TAnchors Anchors;
  };

  void Arrange() {
    const QSize actual = FParent->size();
    for (const TItem& item : FItems) {
      int x, w, y, h;
      Place(item.Anchors & akLeft, item.Anchors & akRight, item.Design.x(), item.Design.width(),
            FDesign.width(), actual.width(), x, w);
      Place(item.Anchors & akTop, item.Anchors & akBottom, item.Design.y(), item.Design.height(),
            FDesign.height(), actual.height(), y, h);
      item.Widget->setGeometry(x, y, w, h);
    }
  }

  QWidget* FParent;
  QSize FDesign;
  std::vector<TItem> FItems;
};

}  // namespace

void ApplyAnchors(QWidget* parent, QSize design) {
  new TAnchorKeeper(parent, design);
}
