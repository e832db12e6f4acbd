// The picture of the archived message viewer, over an HTML spam written into the program
// directory of the tool's home (its images and its tracker stay unloaded, drawn as boxes).
//
//   bool ShootMessageViewer(outDir, config, ui, parent)
//
// writes message-viewer.png into outDir.

#include "core/dataConfig.h"
#include "platform/FileSystem.h"
#include "ui/archive/formMsg.h"

#include "ScreenshotSupport.h"

#include <QDir>

#include <string>

namespace mailmoat {
namespace {

const char* const ShotMessage =
    "Return-Path: <offers@pharma-direct.example>\r\n"
    "Received: from mx.pharma-direct.example (unknown [203.0.113.77])\r\n"
    "\tby pop.example.org with ESMTP id 7C1E0A; Tue, 8 Dec 2026 07:41:19 +0000\r\n"
    "From: \"Pharmacy Direct\" <offers@pharma-direct.example>\r\n"
    "To: Joe Bloggs <joe@example.org>\r\n"
    "Subject: Your exclusive 80% discount ends tonight\r\n"
    "Date: Tue, 8 Dec 2026 08:41:12 +0100\r\n"
    "Message-ID: <20261208074112.5512@pharma-direct.example>\r\n"
    "MIME-Version: 1.0\r\n"
    "Content-Type: text/html; charset=us-ascii\r\n"
    "X-SpamRejection1: Mailmoat Pro\r\n"
    "X-SpamRejection2: Home\r\n"
    "X-SpamRejection3: Body: Pharmacy offers\r\n"
    "\r\n"
    "<!DOCTYPE html>\r\n"
    "<html><head><title>Offer</title>\r\n"
    "<link rel=\"stylesheet\" type=\"text/css\" href=\"http://pharma-direct.example/s.css\"></head>\r\n"
    "<body>\r\n"
    "<h2 style=\"color:#c0392b\">Dear valued customer,</h2>\r\n"
    "<p>For <b>today only</b> you can save up to <b>80%</b> on all the medicines your doctor would\r\n"
    "never prescribe. No prescription, no questions, discreet delivery to your door.</p>\r\n"
    "<p><img src=\"http://pharma-direct.example/banner.png?id=joe\" width=\"320\" height=\"60\"></p>\r\n"
    "<table border=\"1\" cellpadding=\"4\" cellspacing=\"0\">\r\n"
    "<tr><th>Product</th><th>Was</th><th>Now</th></tr>\r\n"
    "<tr><td>Blue pills (30)</td><td>$129.00</td><td><b>$24.99</b></td></tr>\r\n"
    "<tr><td>Slim-Fast capsules</td><td>$89.00</td><td><b>$17.50</b></td></tr>\r\n"
    "</table>\r\n"
    "<p><a href=\"http://pharma-direct.example/order?id=joe\">ORDER NOW &gt;&gt;</a></p>\r\n"
    "<p style=\"font-size:small;color:gray\">To stop receiving these offers, reply with REMOVE in the\r\n"
    "subject line.<img src=\"http://pharma-direct.example/open.gif?id=joe\" width=\"1\" height=\"1\"></p>\r\n"
    "</body></html>\r\n";

}  // namespace

bool ShootMessageViewer(const QString& outDir, TConfigData& config, TUiHost& ui, QWidget* parent) {
  QDir().mkpath(outDir);
  const TPath folder = config.DataFile("archive");
  ForceDirectories(folder);
  const std::string path = (folder / "20261208074119.spam").string();
  WriteFileAtomic(path, ShotMessage);
  TfrmMsg viewer(config, ui, path, parent);
  viewer.resize(640, 500);
  viewer.show();
  const bool ok = SavePicture(viewer, QDir(outDir).filePath("message-viewer.png"));
  viewer.close();
  return ok;
}

}  // namespace mailmoat
