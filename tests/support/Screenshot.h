#pragma once

#include <QString>

class QWidget;

// Renders a widget (a view or a whole window) and saves it as
// build/screenshots/<name>.png for people to look at. Never compared pixel by
// pixel: a test that needs a colour reads it from the rendered image itself.
// Answers the file's path, empty when it could not be written.
QString saveScreenshot(QWidget* widget, const QString& name);

// The folder the pictures go to (made when missing).
QString screenshotFolder();
