#include "ui/config/prefs/PrefsSheet.h"

#include "ui/common/QtText.h"
#include "ui/config/ProfileBoxes.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QToolButton>

namespace mailmoat {

TPrefsSheet::TPrefsSheet(TPrefsPageContext& context, const char* name, QWidget* parent)
    : QWidget(parent), Ctx(context) {
  setObjectName(name);
}

QCheckBox* TPrefsSheet::BoundCheck(const char* text, const char* name, bool& field) {
  auto* box = new QCheckBox(text, this);
  box->setObjectName(name);
  box->setChecked(field);
  connect(box, &QCheckBox::toggled, this, [this, &field](bool on) {
    field = on;
    MarkChanged();
  });
  return box;
}

QLineEdit* TPrefsSheet::BoundEdit(const char* name, std::string& field, int maxChars, std::size_t maxBytes) {
  auto* edit = new QLineEdit(this);
  edit->setObjectName(name);
  if (maxChars > 0) edit->setMaxLength(maxChars);
  edit->setText(TextToQString(field));
  // Text set by the program (a browse button) counts as typed; showing what the field holds
  // already (a box trimmed by a save) is no change.
  connect(edit, &QLineEdit::textChanged, this, [this, &field, maxBytes](const QString& text) {
    const std::string value = QStringToText(text, maxBytes);
    if (value == field) return;
    field = value;
    MarkChanged();
  });
  return edit;
}

QSpinBox* TPrefsSheet::BoundSpin(const char* name, int low, int high, int& field) {
  auto* spin = new QSpinBox(this);
  spin->setObjectName(name);
  spin->setRange(low, high);
  spin->setValue(field);
  // A stored value out of the box's range is shown at the nearest bound and stored so.
  field = spin->value();
  connect(spin, &QSpinBox::valueChanged, this, [this, &field](int value) {
    if (value == field) return;
    field = value;
    MarkChanged();
  });
  return spin;
}

QLabel* TPrefsSheet::Caption(const char* text, const char* name, QWidget* buddy) {
  auto* label = new QLabel(text, this);
  label->setObjectName(name);
  if (buddy) label->setBuddy(buddy);
  return label;
}

QLabel* TPrefsSheet::Explanation(const char* text, const char* name) {
  auto* label = Caption(text, name);
  label->setWordWrap(true);
  return label;
}

QGroupBox* TPrefsSheet::Group(const char* title, const char* name) {
  auto* group = new QGroupBox(title, this);
  group->setObjectName(name);
  return group;
}

QToolButton* TPrefsSheet::BrowseButton(const char* name, const char* hint) {
  return MakeBrowseButton(name, hint, this);
}

}  // namespace mailmoat
