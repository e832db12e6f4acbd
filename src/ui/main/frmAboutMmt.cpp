#include "ui/main/frmAboutMmt.h"

#include "MailmoatVersion.h"
#include "core/UiHost.h"
#include "ui/common/Icons.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <array>

namespace mailmoat {

extern const long long MailmoatBuildTime;  // the generated BuildTime.cpp

std::string AboutVersionText(const std::string& fileVersion) {
  std::size_t cut = std::string::npos;
  std::size_t from = 0;
  for (int dots = 0; dots < 3; ++dots) {
    cut = fileVersion.find('.', from);
    if (cut == std::string::npos) break;
    from = cut + 1;
  }
  if (cut == std::string::npos) return "Version " + fileVersion;
  return "Version " + fileVersion.substr(0, cut) + " (Build " + fileVersion.substr(cut + 1) + ")";
}

std::string CompiledText(std::time_t when) {
  // English names whatever the user's locale, as the rest of the window is English.
  static constexpr std::array<const char*, 7> Days = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr std::array<const char*, 12> Months = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::tm t{};
  localtime_r(&when, &t);
  const int hour12 = t.tm_hour % 12 == 0 ? 12 : t.tm_hour % 12;
  char text[64];
  std::snprintf(text, sizeof text, "Compiled: %s %d %s %d %d:%02d %s", Days[static_cast<std::size_t>(t.tm_wday)],
                t.tm_mday, Months[static_cast<std::size_t>(t.tm_mon)], t.tm_year + 1900, hour12, t.tm_min,
                t.tm_hour < 12 ? "AM" : "PM");
  return text;
}

std::time_t BuildTime() {
  return static_cast<std::time_t>(MailmoatBuildTime);
}

TfrmAboutMmt::TfrmAboutMmt(TUiHost& ui, QWidget* parent) : QDialog(parent), Ui(ui) {
  setObjectName("frmAboutMmt");
  setWindowTitle("About Mailmoat Pro");
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

  auto* icon = new QLabel(this);
  icon->setObjectName("imgProgram");
  icon->setPixmap(ProgramIcon().pixmap(64, 64));
  icon->setAlignment(Qt::AlignTop);

  auto* product = new QLabel("Mailmoat Pro", this);
  product->setObjectName("lblProduct");
  QFont big = product->font();
  big.setPointSizeF(big.pointSizeF() * 1.6);
  big.setBold(true);
  product->setFont(big);
  auto* version = new QLabel(QString::fromStdString(AboutVersionText(MAILMOAT_VERSION)), this);
  version->setObjectName("lblVersion");
  auto* compiled = new QLabel(QString::fromStdString(CompiledText(BuildTime())), this);
  compiled->setObjectName("lblCompiled");

  auto* texts = new QVBoxLayout;
  texts->addWidget(product);
  texts->addWidget(version);
  texts->addWidget(compiled);
  texts->addStretch(1);
  auto* top = new QHBoxLayout;
  top->addWidget(icon);
  top->addSpacing(12);
  top->addLayout(texts, 1);

  auto* btnWebSite = new QPushButton("&Web Site", this);
  btnWebSite->setObjectName("btnWebSite");
  btnWebSite->setAutoDefault(false);
  auto* btnOK = new QPushButton("&OK", this);
  btnOK->setObjectName("btnOK");
  btnOK->setDefault(true);
  connect(btnWebSite, &QPushButton::clicked, this, [this] { Ui.OpenUrl(MAILMOAT_URL_PRODUCT); });
  connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnWebSite);
  buttons->addWidget(btnOK);

  auto* column = new QVBoxLayout(this);
  column->addLayout(top);
  column->addSpacing(8);
  column->addLayout(buttons);
  column->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace mailmoat
