// The header bar at the top of every side-panel page and panel.
#pragma once

#include <QLabel>
#include <QString>

namespace virmeya {

// A bar with the page's title; `objectName` is left to the caller.
QLabel* makePageHeader(const QString& text, QWidget* parent = nullptr);

}  // namespace virmeya
