#include "ui/main/dlgOldDays.h"

#include "core/Registry.h"
#include "platform/Errors.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace mailmoat {

namespace {
constexpr const char* SettingsKey = "Settings";
constexpr int DefaultDays = 7;
}  // namespace

TdlgOldDays::TdlgOldDays(int days, TRegistry& registry, QWidget* parent) : QDialog(parent), Registry(registry) {
  setObjectName("dlgOldDays");
  setWindowTitle("Clear Old Log Entries . . .");
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

  auto* text = new QLabel(
      "This option will remove all entries in the Mailmoat Pro log file (mmt.log) that are older then the number of "
      "days specified below. Click the Start button to continue.",
      this);
  text->setObjectName("lblExplain");
  text->setWordWrap(true);
  text->setMinimumWidth(320);

  auto* caption = new QLabel("&Remove older then", this);
  caption->setObjectName("lblDaysOld");
  seDaysOld = new QSpinBox(this);
  seDaysOld->setObjectName("seDaysOld");
  seDaysOld->setRange(1, 999);
  seDaysOld->setValue(days >= 1 && days <= 999 ? days : DefaultDays);
  caption->setBuddy(seDaysOld);
  auto* unit = new QLabel("days.", this);
  unit->setObjectName("lblDays");
  auto* row = new QHBoxLayout;
  row->addWidget(caption);
  row->addWidget(seDaysOld);
  row->addWidget(unit);
  row->addStretch(1);

  auto* OKBtn = new QPushButton("&Start", this);
  OKBtn->setObjectName("OKBtn");
  OKBtn->setDefault(true);
  auto* CancelBtn = new QPushButton("Cancel", this);
  CancelBtn->setObjectName("CancelBtn");
  connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(OKBtn);
  buttons->addWidget(CancelBtn);

  auto* column = new QVBoxLayout(this);
  column->addWidget(text);
  column->addLayout(row);
  column->addLayout(buttons);
  // The dialog cannot be resized.
  column->setSizeConstraint(QLayout::SetFixedSize);

  const std::optional<std::int32_t> left = Registry.ReadInteger(SettingsKey, "OldDaysLeft");
  const std::optional<std::int32_t> top = Registry.ReadInteger(SettingsKey, "OldDaysTop");
  if (left && top) move(*left, *top);
}

int TdlgOldDays::Days() const {
  return seDaysOld->value();
}

std::optional<int> TdlgOldDays::Ask(int days, TRegistry& registry, QWidget* parent) {
  TdlgOldDays dialog(days, registry, parent);
  const bool start = dialog.exec() == QDialog::Accepted;
  try {
    registry.WriteInteger(SettingsKey, "OldDaysLeft", dialog.x());
    registry.WriteInteger(SettingsKey, "OldDaysTop", dialog.y());
  } catch (const EInOutError&) {
    // Where the dialog stood is a convenience, never a reason to refuse the trim.
  }
  if (!start) return std::nullopt;
  return dialog.Days();
}

}  // namespace mailmoat
