// Pictures of the message archive: the browser over one profile (archive-one.png) and over
// all profiles (archive-all.png), and the reply window (reply.png), over archived messages
// made here in a folder of the home.

#include "core/Records.h"
#include "core/dataConfig.h"
#include "ui/archive/formMessageArchive.h"
#include "ui/archive/formMsgReply.h"

#include "ScreenshotSupport.h"

#include <QComboBox>
#include <QDir>
#include <QTreeWidget>

#include <filesystem>
#include <fstream>
#include <utility>

namespace mailmoat {

namespace {

struct TShotMail {
  const char* From;
  const char* Subject;
  const char* Date;
  const char* Reason;
};

void WriteArchive(const std::filesystem::path& folder, const std::vector<TShotMail>& mails) {
  std::filesystem::create_directories(folder);
  int n = 0;
  for (const TShotMail& mail : mails) {
    std::ofstream(folder / ("1209202614" + std::to_string(1000 + ++n) + ".spam"), std::ios::binary)
        << "From: " << mail.From << "\r\nTo: joe@example.net\r\nDate: " << mail.Date << "\r\nSubject: " << mail.Subject
        << "\r\nX-SpamRejection1: ---\r\nX-SpamRejection2: Mailmoat Pro\r\nX-SpamRejection3: " << mail.Reason
        << "\r\nX-SpamRejection4: ---\r\n\r\nHello friend,\r\n\r\nThis offer ends tonight.\r\n";
  }
}

}  // namespace

bool ShootArchiveWindows(const QString& outDir, TConfigData& config, TUiHost& ui, QWidget* parent) {
  QDir().mkpath(outDir);
  const std::filesystem::path home = config.DataFile("archive-shots");
  WriteArchive(home / "home", {{"\"Pharmacy Deals\" <deals@pills.example>", "Lowest prices on meds, 80% off",
                                "Wed, 09 Dec 2026 08:12:44 +0000", "Subject matches rule: Pills in the subject"},
                               {"Lottery Office <win@lotto.example>", "You have WON 1,000,000!",
                                "Tue, 08 Dec 2026 22:03:10 +0000", "Sender blacklisted by bl.example.net"},
                               {"\"Amy\" <amy@loans.example>", "Pre-approved loan for joe",
                                "Mon, 07 Dec 2026 17:45:00 +0000", "Not addressed to a valid address"}});
  WriteArchive(home / "work", {{"IT Helpdesk <helpdesk@phish.example>", "Your mailbox is full - verify now",
                                "Wed, 09 Dec 2026 09:30:02 +0000", "Body matches rule: verify your account"},
                               {"Replica Watches <sales@watch.example>", "Swiss watches at 90% off",
                                "Sun, 06 Dec 2026 11:20:31 +0000", "Subject matches rule: watches"}});
  ProfileRecord homeProfile;
  homeProfile.Name = "Home";
  homeProfile.Archive = true;
  homeProfile.ArchiveDir = (home / "home").string();
  ProfileRecord work = homeProfile;
  work.Name = "Work";
  work.ArchiveDir = (home / "work").string();
  const std::vector<ProfileRecord> profiles = std::exchange(config.Profiles, {homeProfile, work});
  const TDialUpLine line{[] { return true; }, [] { return 0; }, [] {}, [](int) { return std::string(); }};

  bool ok = true;
  {
    TfrmMsgArchive archive(config, ui, line, {}, parent);
    archive.List();
    archive.show();
    ok &= SavePicture(archive, outDir + "/archive-all.png");
    archive.findChild<QComboBox*>("cbProfiles")->setCurrentIndex(0);
    auto* list = archive.findChild<QTreeWidget*>("lvMessages");
    list->setCurrentItem(list->topLevelItem(0));
    ok &= SavePicture(archive, outDir + "/archive-one.png");
    archive.done(0);
  }
  {
    TfrmMsgReply reply(config, ui, line, parent);
    std::filesystem::directory_iterator first(home / "home");
    reply.Load(first->path().string());
    reply.show();
    ok &= SavePicture(reply, outDir + "/reply.png");
    reply.done(0);
  }
  config.Profiles = profiles;
  std::error_code error;
  std::filesystem::remove_all(home, error);
  return ok;
}

}  // namespace mailmoat
