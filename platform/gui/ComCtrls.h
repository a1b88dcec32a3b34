#pragma once
// The up-down control: a pair of arrow buttons that step a position between a minimum and a
// maximum. Laid out horizontally, the right arrow steps up and the left one down.

#include <QWidget>
#include <functional>

class QToolButton;

enum TUDBtnType { btNext, btPrev };

class TUpDown : public QWidget {
  Q_OBJECT
  // For the stored layouts.
  Q_PROPERTY(int Min READ GetMin WRITE SetMin)
  Q_PROPERTY(int Max READ GetMax WRITE SetMax)
  Q_PROPERTY(int Position READ GetPosition WRITE SetPosition)

 public:
  // 0 to 100, at 0.
  explicit TUpDown(QWidget* parent = nullptr);

  int GetMin() const { return FMin; }
  void SetMin(int value);
  int GetMax() const { return FMax; }
  void SetMax(int value);
  int GetPosition() const { return FPosition; }
  // Clamped to Min .. Max; OnClick does not fire.
  void SetPosition(int value);

  // After an arrow has moved the position; an arrow pressed at the end of the range moves
  // nothing and reports nothing. A held arrow repeats.
  std::function<void(TUDBtnType)> OnClick;

  // The arrows, for tests that press them.
  QToolButton* NextButton() const { return FNext; }
  QToolButton* PrevButton() const { return FPrev; }

 private:
  void Step(TUDBtnType button);

  int FMin = 0, FMax = 100, FPosition = 0;
  QToolButton* FPrev;
  QToolButton* FNext;
};
