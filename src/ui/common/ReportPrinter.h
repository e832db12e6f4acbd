#pragma once

#include <QString>
#include <QStringList>

#include <vector>

class QPrinter;
class QWidget;

namespace mailmoat {

// A list as printed: a title over column headers and rows, with the page count at the foot.
struct TPrintTable {
  QString Title;
  QStringList Columns;
  std::vector<QStringList> Rows;
  // Relative column widths; empty: equal widths.
  std::vector<int> ColumnWeights;
  bool Landscape = false;
  // At most this many rows on a page; 0: as many as fit.
  int RowsPerPage = 0;
};

// Prints onto a printer that is set up already; returns the number of pages printed.
int PrintTable(QPrinter& printer, const TPrintTable& table);
// Prints text word-wrapped under a title, "Page N of M" at the foot of each page; in a
// fixed-pitch font when the lines are laid out in columns (mail headers).
int PrintLines(QPrinter& printer, const QString& title, const QStringList& lines, bool fixedPitch = false);

// Asks for the printer, then prints; nothing when the user cancels.
void PrintTableAsked(QWidget* parent, const TPrintTable& table);

// The print preview, from which the user prints; modal.
// `caption`: the preview window's own caption (the table's title when empty).
void PreviewTable(QWidget* parent, const TPrintTable& table, const QString& caption = {}, bool maximized = false);
// Text pages with half-inch margins, `title` at the top of every page. `jobTitle` names the
// print job and the preview window; empty: the title does.
void PreviewLines(QWidget* parent, const QString& title, const QStringList& lines, bool fixedPitch = false,
                  const QString& jobTitle = {});

}  // namespace mailmoat
