#include "archive/ArchiveListing.h"

#include "core/dataConfig.h"
#include "mail/MailHeaders.h"
#include "mail/TmsMessage.h"
#include "platform/AsciiText.h"
#include "platform/Errors.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

namespace mailmoat {

namespace {

// The rejection lines stand at the end of the header block, which spam can make long.
constexpr std::size_t HeaderBlockLimit = 256 * 1024;
constexpr std::size_t ListedRecipients = 3;

std::string AddressText(const TmsMailAddress& address) {
  return address.Name() + " <" + address.Address() + ">";
}

std::string OrBlank(std::string text) {
  return text.empty() ? std::string(" ") : text;
}

int CompareFolded(const std::string& a, const std::string& b) {
  const std::string x = LowerCaseAscii(a);
  const std::string y = LowerCaseAscii(b);
  return x < y ? -1 : (y < x ? 1 : 0);
}

const std::string& ColumnText(const TArchiveRow& row, int column) {
  switch (static_cast<TArchiveColumn>(column)) {
    case TArchiveColumn::Dated: return row.DatedText;
    case TArchiveColumn::From: return row.From;
    case TArchiveColumn::To: return row.To;
    case TArchiveColumn::Subject: return row.Subject;
    case TArchiveColumn::Reason: break;
  }
  return row.Reason;
}

void ReadFolder(const TPath& folder, std::vector<TArchiveRow>& rows, const std::string& caption,
                const TArchiveScan& scan) {
  const std::vector<TPath> files = ArchiveFiles(folder);
  if (files.empty()) return;
  if (scan.Begin) scan.Begin(caption, files.size());
  for (const TPath& file : files) {
    try {
      rows.push_back(ReadArchiveRow(file));
    } catch (const EMailmoatError& e) {
      if (scan.Failed) scan.Failed(std::string(e.what()) + "\r\n\r\nFile: " + file.string());
      continue;
    }
    if (scan.Step) scan.Step();
  }
}

}  // namespace

std::vector<TArchiveSource> ArchiveSources(const TConfigData& config) {
  std::vector<TArchiveSource> sources;
  for (const ProfileRecord& profile : config.Profiles)
    if (!profile.ArchiveDir.empty()) sources.push_back({profile.Name, config.ArchivePath(profile)});
  return sources;
}

std::vector<TPath> ArchiveFiles(const TPath& folder) {
  std::vector<TPath> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    const TPath& path = entry.path();
    if (path.extension() == ".spam" && entry.is_regular_file(error)) files.push_back(path);
  }
  std::sort(files.begin(), files.end());
  return files;
}

TArchiveRow ReadArchiveRow(const TPath& file) {
  std::ifstream stream(file, std::ios::binary);
  if (!stream) throw EInOutError("Cannot open the archived message");
  TmsMessage msg;
  msg.LoadHeadersFromFile(stream, HeaderBlockLimit);

  TArchiveRow row;
  row.File = file;
  row.Dated = ParseMailDate(GetHeaderValue(msg.Headers, "Date"), true);
  row.DatedText = FormatMailTime(row.Dated);
  const bool noSender = msg.Sender.Name().empty() && msg.Sender.Address().empty();
  row.From = noSender ? std::string(" ") : AddressText(msg.Sender);
  std::string to;
  for (std::size_t i = 0; i < msg.Recipients.Count() && i < ListedRecipients; ++i) {
    if (i > 0) to += ",";
    to += AddressText(msg.Recipients[i]);
  }
  if (msg.Recipients.Count() > ListedRecipients) to += "...";
  row.To = OrBlank(to);
  row.Subject = OrBlank(msg.Subject());
  row.Reason = GetHeaderValue(msg.Headers, "X-SpamRejection3");
  return row;
}

std::vector<TArchiveRow> ListArchiveFolder(const TPath& folder, const TArchiveScan& scan) {
  if (!DirectoryExists(folder)) throw EInOutError("Archive directory does not exist!");
  std::vector<TArchiveRow> rows;
  ReadFolder(folder, rows, "Scanning messages ...", scan);
  return rows;
}

std::vector<TArchiveRow> ListAllArchives(const std::vector<TArchiveSource>& sources, const TArchiveScan& scan) {
  std::vector<TArchiveRow> rows;
  std::set<TPath> visited;
  for (const TArchiveSource& source : sources) {
    std::error_code error;
    const TPath folder = std::filesystem::canonical(source.Folder, error);
    if (error || !visited.insert(folder).second || !DirectoryExists(folder)) continue;
    ReadFolder(folder, rows, "Scanning profile " + source.ProfileName + " ...", scan);
  }
  return rows;
}

void TArchiveSort::Reset() {
  LastSortColumn = -2;
  SortAscending = false;
}

void TArchiveSort::Click(int column) {
  LastSortColumn = LastSortColumn == -2 ? -1 : SortColumn;
  SortColumn = column;
  if (LastSortColumn == SortColumn) {
    SortAscending = !SortAscending;
  } else {
    SortAscending = column > 0;
  }
}

void TArchiveSort::Repeat() {
  Click(LastSortColumn < 0 ? 0 : LastSortColumn);
}

void TArchiveSort::Sort(std::vector<TArchiveRow>& rows) const {
  const int column = SortColumn;
  const bool ascending = SortAscending;
  // Dates compare as whole date-times, texts without regard to letter case; equal rows keep
  // their order, so a listing sorts the same way every time.
  std::stable_sort(rows.begin(), rows.end(), [column, ascending](const TArchiveRow& a, const TArchiveRow& b) {
    if (column == static_cast<int>(TArchiveColumn::Dated) && !a.DatedText.empty() && !b.DatedText.empty())
      return ascending ? a.Dated < b.Dated : b.Dated < a.Dated;
    const int order = CompareFolded(ColumnText(a, column), ColumnText(b, column));
    return ascending ? order < 0 : order > 0;
  });
}

std::vector<TPath> FilesDatedBefore(const std::vector<TArchiveRow>& rows, TMailTime before) {
  std::vector<TPath> files;
  for (const TArchiveRow& row : rows)
    if (row.Dated < before) files.push_back(row.File);
  return files;
}

void DeleteArchiveFile(const TPath& file) {
  DeleteFileIfExists(file);
}

std::vector<std::vector<std::string>> ArchivePrintRows(const std::vector<TArchiveRow>& rows) {
  std::vector<std::vector<std::string>> printed;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const TArchiveRow& r = rows[i];
    printed.push_back({std::to_string(i + 1), r.DatedText, r.From, r.To, r.Subject, r.Reason});
  }
  return printed;
}

}  // namespace mailmoat
