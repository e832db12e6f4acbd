#pragma once

class QApplication;

namespace mailmoat {

// With MAILMOAT_A11Y_IDS=1 in the environment, every widget's objectName is copied into an
// empty accessibleDescription when the widget is polished or shown, so that tools driving
// the program through the accessibility bus can find each control by its name.
void InstallA11yIds(QApplication& app);

}  // namespace mailmoat
