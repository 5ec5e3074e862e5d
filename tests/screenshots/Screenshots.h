// Renders the options dialog in each theme, the about box and the themed help menus to PNG
// files, with whatever Qt platform is running (offscreen in tests and in the tool).
#pragma once

#include <QString>
#include <QStringList>

namespace tb::docs {

// One picture per file name: "options-<theme>.png" for each theme, "about.png", "menus.png".
// Returns the paths written; throws std::runtime_error when a picture cannot be saved.
QStringList renderScreenshots(const QString &folder);

} // namespace tb::docs
