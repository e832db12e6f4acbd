#pragma once

#include "archive/ArchiveDate.h"
#include "platform/FileSystem.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace mailmoat {

class TConfigData;

// One archived message as the archive browser lists it.
struct TArchiveRow {
  TPath File;
  TMailTime Dated = ZeroMailTime;
  std::string DatedText;  // "dd mmm yyyy hh:nn:ss"
  std::string From;
  std::string To;
  std::string Subject;
  std::string Reason;  // the X-SpamRejection3 value
};

// The columns of the list, in their order.
enum class TArchiveColumn { Dated, From, To, Subject, Reason };

// A profile's archive folder, resolved as the check run writes into it.
struct TArchiveSource {
  std::string ProfileName;
  TPath Folder;
};

// The profiles that name an archive folder, in profile order.
std::vector<TArchiveSource> ArchiveSources(const TConfigData& config);

// What a listing tells while it reads: a folder's files begin (the busy box's caption and
// the number of files), each file is done, or a file could not be read (the box's text).
struct TArchiveScan {
  std::function<void(const std::string& caption, std::size_t files)> Begin;
  std::function<void()> Step;
  std::function<void(const std::string& message)> Failed;
};

// The ".spam" files of `folder`, by name.
std::vector<TPath> ArchiveFiles(const TPath& folder);

// Reads the header block of one archived message, to its end (at most 256 KiB, as the
// rejection lines stand at the end of a long block). Throws EInOutError.
TArchiveRow ReadArchiveRow(const TPath& file);

// The rows of one folder. Throws EInOutError "Archive directory does not exist!" when the
// folder is missing.
std::vector<TArchiveRow> ListArchiveFolder(const TPath& folder, const TArchiveScan& scan = {});
// The rows of every source's folder, each folder once (by its canonical path, so that two
// spellings of one folder list it once, under the first profile's name, and two folders
// whose names differ only in letter case are both listed); missing folders are skipped.
std::vector<TArchiveRow> ListAllArchives(const std::vector<TArchiveSource>& sources, const TArchiveScan& scan = {});

// The order of the list. A click on a column header sorts by it, the same column again
// reverses; the date column starts newest first, the others A to Z. Each listing repeats
// the last click, so a refresh of the date order reverses it.
class TArchiveSort {
public:
  // The state each time the window opens; the sort column itself is kept.
  void Reset();
  void Click(int column);
  // What a new listing does: the last column clicked again (the date column at first).
  void Repeat();
  void Sort(std::vector<TArchiveRow>& rows) const;

  int SortColumn = 0;
  int LastSortColumn = -2;
  bool SortAscending = false;
};

// The files of the rows dated before `before` (a row without a date is dated the zero date
// and so is always among them).
std::vector<TPath> FilesDatedBefore(const std::vector<TArchiveRow>& rows, TMailTime before);

// Deletes an archived file; one that is gone already is no error. Throws EInOutError.
void DeleteArchiveFile(const TPath& file);

// The list as printed: the row number, then the five columns.
std::vector<std::vector<std::string>> ArchivePrintRows(const std::vector<TArchiveRow>& rows);

}  // namespace mailmoat
