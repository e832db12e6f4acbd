#pragma once

#include <QString>

class QVBoxLayout;
class QWidget;

namespace mailmoat {

// The two kinds of page of the program's wizards, each named `name`, made without a parent
// for TWizardFrame::AddPage.

// A welcome or completion page: the program's picture on the left, the title in large bold
// type and the text beside it.
QWidget* WizardOuterPage(const char* name, const QString& title, const QString& subtitle);

// An interior page: a light band with the title and the indented subtitle above the page's
// controls, which go into `body`. A `caption` (the wizard's name) stands in grey above the
// title; an empty subtitle leaves its line out.
QWidget* WizardInteriorPage(const char* name, const QString& title, const QString& subtitle, QVBoxLayout*& body,
                            const QString& caption = {});

}  // namespace mailmoat
