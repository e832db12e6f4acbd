#include "support/TempDir.h"
#include "ui/common/ReportPrinter.h"

#include <QFile>
#include <QPrinter>

#include <gtest/gtest.h>

namespace mailmoat {
namespace {

// Pages of a PDF file: its "/Type /Page" objects (the page tree is "/Type /Pages").
int PdfPages(const QString& file) {
  QFile pdf(file);
  if (!pdf.open(QIODevice::ReadOnly)) return -1;
  const QByteArray bytes = pdf.readAll();
  EXPECT_TRUE(bytes.startsWith("%PDF"));
  int pages = 0;
  for (qsizetype at = 0; (at = bytes.indexOf("/Type /Page", at)) >= 0; at += 11)
    if (bytes.mid(at + 11, 1) != "s") ++pages;
  return pages;
}

TEST(ReportPrinter, TextAndTablesBreakIntoThePagesTheyCount) {
  test::TTempDir dir;
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setPageSize(QPageSize(QPageSize::A4));

  // 150 short lines and one that wraps: more than two pages, fewer than ten.
  QStringList lines;
  for (int i = 1; i <= 150; ++i) lines << QString("Received: line %1").arg(i);
  lines << QString("word ").repeated(400);
  const QString text = QString::fromStdString((dir / "text.pdf").string());
  printer.setOutputFileName(text);
  const int textPages = PrintLines(printer, "Message source", lines);
  EXPECT_GT(textPages, 2);
  EXPECT_LT(textPages, 10);
  EXPECT_EQ(PdfPages(text), textPages);

  TPrintTable table{"Message Archive", {"Date", "From", "Subject"}, {}, {1, 2, 3}, true};
  for (int i = 0; i < 100; ++i) table.Rows.push_back({"12/09/2026", "sam@example.net", QString("Pills %1").arg(i)});
  const QString list = QString::fromStdString((dir / "list.pdf").string());
  printer.setOutputFileName(list);
  const int listPages = PrintTable(printer, table);
  EXPECT_GT(listPages, 1);
  EXPECT_EQ(PdfPages(list), listPages);
  EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Landscape);
  // A fixed number of rows a page, when the list asks for one: 100 rows at 20 make 5 pages.
  table.RowsPerPage = 20;
  printer.setOutputFileName(QString::fromStdString((dir / "list20.pdf").string()));
  EXPECT_EQ(PrintTable(printer, table), 5);

  table.Rows.clear();
  printer.setOutputFileName(QString::fromStdString((dir / "empty.pdf").string()));
  EXPECT_EQ(PrintTable(printer, table), 1);
}

}  // namespace
}  // namespace mailmoat
