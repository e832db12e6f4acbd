// Pictures of the review windows: the check-and-view list in its four view styles and the
// header window, over made-up messages of every state.
//
//   bool ShootReviewWindows(outDir, config, ui, parent)
//
// writes check-and-view-report.png, check-and-view-icons.png, check-and-view-small-icons.png,
// check-and-view-list.png and headers.png into outDir.

#include "core/Records.h"
#include "core/dataConfig.h"
#include "ui/common/QtText.h"
#include "ui/review/formHeaderListing.h"
#include "ui/review/formHeaders.h"

#include "ScreenshotSupport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QThread>
#include <QTreeView>

#include <cstdio>
#include <string>
#include <vector>

namespace mailmoat {
namespace {

THdrRec ShotRecord(const std::string& to, const std::string& from, const std::string& subject,
                   const std::string& reason, int size, const std::string& uidl, bool mark) {
  THdrRec rec;
  rec.Recipients = to;
  rec.Sender = from;
  rec.Subject = subject;
  rec.Reason = reason;
  rec.Size = size;
  rec.UIDL = uidl;
  rec.DeleteMark = mark;
  rec.HeaderText = "Return-Path: <" + from.substr(from.rfind(' ') + 1) +
                   ">\r\nReceived: from mx.example.net (mx.example.net [192.0.2.25])\r\n"
                   "\tby pop.example.org with ESMTP id 4F2A1C; Tue, 8 Dec 2026 09:14:02 +0000\r\n"
                   "From: " +
                   from + "\r\nTo: " + to + "\r\nSubject: " + subject +
                   "\r\nDate: Tue, 8 Dec 2026 09:13:58 +0000\r\nMessage-ID: <" + uidl +
                   "@example.net>\r\nMIME-Version: 1.0\r\nContent-Type: text/plain; charset=us-ascii\r\n";
  return rec;
}

}  // namespace

bool ShootReviewWindows(const QString& outDir, TConfigData& config, TUiHost&, QWidget* parent) {
  QDir().mkpath(outDir);
  std::vector<THdrRec> records = {
      ShotRecord("Joe joe@example.org", "Ann Lee ann@example.net", "Lunch on Friday?", "ok", 2411, "000000a1", false),
      ShotRecord("Joe joe@example.org", "Deals deals@bulk.example", "You have WON!!!",
                 "Headers (Black list): 127.0.0.2 (bl.example.org)", 10000, "000000a2", true),
      ShotRecord("Joe joe@example.org", "Sam Smith sam@example.com", "Minutes of the meeting",
                 "Approved Sender: sam@example.com", 900, "000000a3", false),
      ShotRecord("Joe joe@example.org", "Club News news@club.example", "December newsletter",
                 "Always Accept: Club newsletter", 35870, "000000a4", false),
      ShotRecord("Joe joe@example.org", "Pharmacy rx@pills.example", "Cheap pills, no prescription",
                 "Headers: Pills in the subject", 4096, "000000a5", true),
      ShotRecord("joe@example.org", "Mr Gold gold@lottery.example", "Claim your prize now", "Body: Lottery winner text",
                 18220, "000000a6", true),
      ShotRecord("Joe joe@example.org", "Big File big@files.example", "Holiday pictures",
                 "Size limit exceeded: 2048k (configured max: 1024k)", 2097152, "000000a7", true),
  };
  TfrmHdrListing list(config, records, parent);
  list.setWindowTitle("Header Listing [Profile: Home]");
  list.resize(760, 480);
  list.show();
  auto* view = list.findChild<QTreeView*>("lvHeaders");
  view->setCurrentIndex(view->model()->index(1, 0));
  bool ok = true;
  const struct {
    TfrmHdrListing::TViewStyle Style;
    const char* File;
  } shots[] = {
      {TfrmHdrListing::TViewStyle::Detailed, "check-and-view-report.png"},
      {TfrmHdrListing::TViewStyle::LargeIcons, "check-and-view-icons.png"},
      {TfrmHdrListing::TViewStyle::SmallIcons, "check-and-view-small-icons.png"},
      {TfrmHdrListing::TViewStyle::List, "check-and-view-list.png"},
  };
  for (const auto& shot : shots) {
    list.SetViewStyle(shot.Style);
    ok = SavePicture(list, QDir(outDir).filePath(shot.File)) && ok;
  }
  list.close();

  TfrmHeaders headers(config, records[4], parent);
  headers.SetHeaderText(TextToQString(records[4].HeaderText).replace("\r\n", "\n"));
  headers.resize(560, 330);
  headers.show();
  auto* text = headers.findChild<QPlainTextEdit*>("mHdrs");
  text->setFocus();
  text->setTextCursor(text->document()->find("Cheap pills, no prescription"));
  ok = SavePicture(headers, QDir(outDir).filePath("headers.png")) && ok;
  headers.close();
  return ok;
}

}  // namespace mailmoat
