#pragma once
// Anchors of controls placed at fixed design positions. An anchored side keeps its distance to
// the same side of the parent; a control anchored on neither side of an axis keeps its centre at
// the same proportion of the parent's extent.

#include <QWidget>

enum TAnchorKind { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };
using TAnchors = int;

// Parses "akLeft,akTop,..." as written in the stored layouts; an empty text is [akLeft, akTop].
TAnchors ParseAnchors(const QString& text);

// Takes the current geometry of every direct child of `parent` as its place in a parent of the
// `design` size, and keeps the children in place by their "anchors" property whenever `parent`
// is resized.
void ApplyAnchors(QWidget* parent, QSize design);
