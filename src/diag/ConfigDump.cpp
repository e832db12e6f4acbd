#include "diag/ConfigDump.h"

#include "platform/AsciiText.h"
#include "core/dataConfig.h"
#include "MailmoatVersion.h"

#include <cstdarg>
#include <cstdio>

namespace mailmoat {

const char* const SupportAddress = "support@brightfold.example";

namespace {

const char* const DayNames[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
const char* const MonthNames[] = {"January", "February", "March",     "April",   "May",      "June",
                                  "July",    "August",   "September", "October", "November", "December"};

[[gnu::format(printf, 1, 2)]] std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  const int n = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string out(n > 0 ? static_cast<size_t>(n) : 0, '\0');
  if (n > 0) std::vsnprintf(out.data(), out.size() + 1, format, again);
  va_end(again);
  return out;
}

const char* TrueFalse(bool b) {
  return b ? "True" : "False";
}

// "Tuesday 08 December 2026 13:40:03", English names whatever the locale.
std::string DumpDate(std::time_t now) {
  std::tm tm{};
  localtime_r(&now, &tm);
  return Format("%s %02d %s %04d %02d:%02d:%02d", DayNames[tm.tm_wday], tm.tm_mday, MonthNames[tm.tm_mon],
                tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
}

const char* LevelText(int level) {
  switch (level) {
    case LogLevel::None: return "none";
    case LogLevel::Normal: return "normal";
    case LogLevel::Verbose: return "verbose";
    case LogLevel::Debug: return "debug";
    case LogLevel::Terse: return "terse";
    default: return "unknown setting";
  }
}

class TDumpWriter {
public:
  TDumpWriter(const TDumpProgress& progress) : Progress(progress) {}

  void Add(std::string line) { Lines.push_back(std::move(line)); }
  void Spacer() { Lines.emplace_back(" "); }
  void Section(const std::string& name) {
    if (Progress.Section) Progress.Section(name);
  }
  void Step() {
    Position = std::min(100, Position + 10);
    if (Progress.Position) Progress.Position(Position);
  }
  void End() {
    Position = 100;
    if (Progress.Position) Progress.Position(Position);
  }

  std::vector<std::string> Lines;

private:
  const TDumpProgress& Progress;
  int Position = 0;
};

void RuleBlock(TDumpWriter& w, const TRuleRec& rule, const char* typeText) {
  w.Add("    Description : " + rule.Description);
  w.Add("    Header Field: " + rule.HeaderField);
  w.Add("    Expression  : " + rule.Expression);
  w.Add(std::string("    Rule Type   : ") + typeText);
  w.Add(Format("    Rule Weight : %d", rule.Weight));
  w.Add(std::string("    Enabled     : ") + TrueFalse(rule.Enabled));
  w.Add(std::string("    Reject on   : ") + TrueFalse(rule.RejectOnMatch));
  w.Add(Format("    Rule ID     : %d", rule.RuleID));
  w.Spacer();
}

}  // namespace

std::vector<std::string> ConfigDumpLines(const TConfigData& c, TDumpLevel level, const TDumpWindow& window,
                                         const TSystemFacts& facts, std::time_t now, const TDumpProgress& progress) {
  TDumpWriter w(progress);
  const std::string excluded = "   (information excluded at user request)";

  w.Section("Preparing");
  w.Add("This file describes how Mailmoat Pro is set up on your computer. Please send it");
  w.Add(std::string("only when Brightfold support asks for it to solve a problem, by e-mail to ") + SupportAddress);
  w.Add("as an attachment. With it, please include as detailed as");
  w.Add("possible, explanation of your problem and if possible, the steps that");
  w.Add("are necessary to duplicate the problem you are experiencing.");
  w.Add("===============[ PLEASE DO NOT EDIT BELOW THIS LINE ]===============");
  w.Spacer();
  w.Add(Format("Mailmoat Pro v%d.%d.%d.%d Configuration Dump", MAILMOAT_VERSION_MAJOR, MAILMOAT_VERSION_MINOR,
               MAILMOAT_VERSION_RELEASE, MAILMOAT_VERSION_BUILD));
  w.Add("Created: " + DumpDate(now));
  w.Spacer();
  w.Step();

  w.Section("Window settings");
  w.Add("[ --- Mailmoat Window Settings --- ]");
  w.Add(Format("Saved Window Size (width x height) : %d x %d", c.Width, c.Height));
  w.Add(Format("Using Window Size (width x height) : %d x %d", window.Width, window.Height));
  w.Add(Format("Top of Window (Saved/Using)        : %d/%d", c.Top, window.Top));
  w.Add(Format("Left side of Window (Saved/Using)  : %d/%d", c.Left, window.Left));
  w.Spacer();

  w.Section("General system information");
  w.Add("[ --- General System Information --- ]");
  if (level == TDumpLevel::None) {
    w.Add(excluded);
  } else {
    // Support reads these labels the same on every system: the first names the folder of the
    // settings file, the second the folder of the data files.
    w.Add("User Name        : " + facts.UserName);
    w.Add("Computer Name    : " + facts.ComputerName);
    w.Add("Windows Directory: " + c.Paths.ConfigDir.string());
    w.Add("System Directory : " + c.Paths.ProgramDir.string());
    w.Add("Current Directory: " + facts.CurrentDirectory);
  }
  w.Spacer();
  w.Step();

  w.Section("Mail server profiles");
  w.Add("[ --- Mail Server Profiles --- ]");
  w.Add(Format("Number of profiles defined: $%.2X", static_cast<unsigned>(c.Profiles.size())));
  w.Spacer();
  for (size_t i = 0; i < c.Profiles.size(); ++i) {
    const ProfileRecord& p = c.Profiles[i];
    w.Add(Format("Profile Name: [$%.4X] %s", static_cast<unsigned>(i), p.Name.c_str()));
    w.Add("Server Name : " + p.Server);
    w.Add("Login Name  : " + p.Login);
    w.Add(p.Password.empty() ? "Password    : <blank password>" : "Password    : <not blank>");
    w.Add(p.Enabled ? "Enabled     : yes" : "Enabled     : no");
    w.Add(p.Archive ? "Archiving   : enabled" : "Archiving   : disabled");
    w.Add("Archive path: " + p.ArchiveDir);
    w.Spacer();
  }
  w.Add(Format("Check Minutes : %d", c.AutoMins));
  w.Add("POP3 Port     : " + c.Port);
  w.Add(c.AutoType ? "AutoCheck Type: Check and Eat" : "AutoCheck Type: Check only");
  w.Spacer();
  w.Step();

  w.Section("valid addresses & settings");
  w.Add("[ --- Valid Addresses --- ]");
  w.Add(Format("Number of valid addresses defined: $%.4X", static_cast<unsigned>(c.ValidAddresses.size())));
  if (!c.ValidAddresses.empty()) {
    w.Spacer();
    for (size_t i = 0; i < c.ValidAddresses.size(); ++i) {
      w.Add(Format("[$%.4X] %s", static_cast<unsigned>(i), c.ValidAddresses[i].c_str()));
    }
  }
  w.Spacer();
  w.Add(std::string("Eat mail to unknown addresses: ") + TrueFalse(c.Unknown));
  w.Add(std::string("Strict address check (TO/CC) : ") + TrueFalse(c.Strict));
  w.Add(c.RegExAddressCheck ? "Address check process type   : regular expressions"
                            : "Address check process type   : standard");
  w.Spacer();

  w.Section("approved senders");
  w.Add("[ --- Approved Senders --- ]");
  w.Add(Format("Number of approved senders defined: $%.4X", static_cast<unsigned>(c.ApprovedSenders.size())));
  if (!c.ApprovedSenders.empty()) {
    w.Spacer();
    for (size_t i = 0; i < c.ApprovedSenders.size(); ++i) {
      const ApprovedSenderRecord& a = c.ApprovedSenders[i];
      w.Add(Format("[$%.4X] %-40s %-50s", static_cast<unsigned>(i), a.Address.c_str(), a.Name.c_str()));
    }
  }
  w.Spacer();
  w.Step();

  w.Section("spammer scanning options");
  w.Add("[ --- Requeue Settings --- ]");
  w.Spacer();
  w.Add("SMTP Server Hostname: " + c.Requeue.SMTPServer);
  w.Add("SMTP Login Username:  " + c.Requeue.SMTPLogin);
  w.Add(TrimText(c.Requeue.SMTPPassword).empty() ? "SMTP Login Password: <blank>" : "SMTP Login Password: <not blank>");
  w.Add(c.Requeue.SMTPAuth ? "Using SMTP AUTH:     Yes" : "Using SMTP AUTH:     No");
  w.Add("Send to address:      " + c.Requeue.SendTo);
  w.Add(c.Requeue.DeleteMsg ? "Delete after resend: Yes" : "Delete after resend: No");
  w.Spacer();
  w.Add("[ --- SpamCop Integration Options --- ]");
  w.Spacer();
  w.Add("E-Mail From Address:    " +
        (c.SpamCop.FromAddress.empty() ? std::string("<undefined>") : c.SpamCop.FromAddress));
  w.Add("SpamCop Report Address: " +
        (c.SpamCop.ReportAddress.empty() ? std::string("<undefined>") : c.SpamCop.ReportAddress));
  w.Spacer();
  w.Add("[ --- Spammer Options --- ]");
  w.Spacer();
  if (c.Blacklists.empty()) {
    w.Add("No blacklist databases defined");
  } else {
    w.Add("Blacklist databases defined:");
    for (size_t i = 0; i < c.Blacklists.size(); ++i) {
      const TBlacklistRec& b = c.Blacklists[i];
      w.Add(Format("%u: %s - %s%s", static_cast<unsigned>(i), b.Name.c_str(), b.LookupSuffix.c_str(),
                   b.Enabled ? "  [ENABLED]" : "  [DISABLED]"));
    }
  }
  w.Spacer();
  w.Add(std::string("Scanning for spammers mail enabled : ") + TrueFalse(!c.DisableSpamScan));
  w.Add(Format("Number of System Header rules      : %u", static_cast<unsigned>(c.SysHeaderRules.size())));
  w.Add(Format("Number of System Body rules        : %u", static_cast<unsigned>(c.SysBodyRules.size())));
  w.Add(Format("Number of User defined rules       : %u", static_cast<unsigned>(c.UserRules.size())));
  for (const TRuleRec& rule : c.UserRules) RuleBlock(w, rule, rule.RuleType == RuleType::Header ? "Header" : "Body");
  w.Step();
  w.Add(Format("Number of AlwaysAccept defined rules: %u", static_cast<unsigned>(c.AcceptRules.size())));
  for (const TRuleRec& rule : c.AcceptRules) RuleBlock(w, rule, "Always Accept");
  w.Spacer();
  w.Step();

  w.Section("Notification settings");
  w.Add("[ --- Notifications --- ]");
  w.Add(std::string("Notify of new mail with popup message   : ") + TrueFalse(c.Popup));
  w.Add(std::string("Notify of new mail by playing WAV file  : ") + TrueFalse(c.PlayWav));
  w.Add("WAV file to play for notification       : " + c.WAVFile);
  w.Add(std::string("Start mail client when mail is waiting  : ") + TrueFalse(c.StartClient));
  w.Add("Mail client software path and filename  : " + c.ClientFile);
  w.Add("Mail client software parameters         : " + c.ClientParams);
  w.Add("Mail client software startup folder     : " + c.ClientFolder);
  w.Add(Format("Mail client software window style       : $%.2X", static_cast<unsigned>(c.ClientWin)));
  w.Spacer();

  w.Section("Networking");
  w.Add("[ --- Networking Configuration --- ]");
  w.Add("WinInetDll used                      : False");
  w.Add("WinInetDll loaded                    : False");
  w.Add(std::string("RAS/DUN installed and available      : ") + TrueFalse(c.RasAvailable));
  w.Add(c.UseRas ? "Network configured for use           : Dial-Up Networking"
                 : "Network configured for use           : LAN");
  w.Spacer();
  w.Step();

  w.Section("Miscellaneous settings");
  w.Add("[ --- Miscellaneous --- ]");
  w.Add(std::string("Start minimized to Windows tool tray  : ") + TrueFalse(c.ToolTray));
  w.Add(std::string("Start Mailmoat when starting Windows : ") + TrueFalse(c.Startup));
  w.Add(std::string("Check mailbox on starting Mailmoat   : ") + TrueFalse(c.CheckOnStart));
  w.Add(Format("Number of messages lines to download  : $%.4X", static_cast<unsigned>(c.MsgLines)));
  w.Add(std::string("Mailmoat log level setting           : ") + LevelText(c.LoggingLevel));
  w.Add(Format("Maximum size of log file to allow     : $%.4X", static_cast<unsigned>(c.MaxLogSize)));
  w.Add(Format("Maximum size for body rule processing : $%.4X", static_cast<unsigned>(c.MaxBodyRuleSize)));
  w.Add(std::string("UIDL message deletion checks          : ") + (c.CheckUIDL ? "enabled" : "disabled"));
  w.Add(std::string("Message processing summary display    : ") + (c.SummarizeStats ? "enabled" : "disabled"));
  w.Spacer();
  w.Step();

  w.Section("Hardware information");
  w.Add("[ --- Hardware Configuration --- ]");
  if (level == TDumpLevel::Detailed) {
    w.Step();
    w.Add(Format("CPU Arch/Level/Rev    : $%.2X $%.2X $%.2X", facts.ProcessorArchitecture, facts.ProcessorLevel,
                 facts.ProcessorRevision));
    w.Add(Format("Active processor mask : $%.2llX", static_cast<unsigned long long>(facts.ActiveProcessorMask)));
    w.Add(Format("Number of processors  : %d", facts.NumberOfProcessors));
    w.Add(Format("CPU Type/Granularity  : $%.4X $%.4X", facts.ProcessorType, facts.AllocationGranularity));
    w.Add(Format("Page size             : %u kb", facts.PageSize / 1024));
    w.Add("Logical drives        : " + JoinText(facts.MountPoints, " "));
    w.Add(Format("Memory load           : %d%%", facts.MemoryLoad));
    w.Add(Format("Physical memory       : %llu kb", static_cast<unsigned long long>(facts.PhysicalKb)));
    w.Add(Format("Avail physical memory : %llu kb", static_cast<unsigned long long>(facts.AvailPhysicalKb)));
    w.Step();
    w.Add(Format("Page file size total  : %llu kb", static_cast<unsigned long long>(facts.SwapTotalKb)));
    w.Add(Format("Page file size avail  : %llu kb", static_cast<unsigned long long>(facts.SwapAvailKb)));
    w.Add(Format("Total virtual memory  : %llu kb", static_cast<unsigned long long>(facts.VirtualTotalKb)));
    w.Add(Format("Avail virtual memory  : %llu kb", static_cast<unsigned long long>(facts.VirtualAvailKb)));
  } else {
    w.Add(excluded);
  }
  w.Spacer();
  w.Add("======================[ END OF REPORT ]=============================");
  w.End();
  return std::move(w.Lines);
}

void WriteConfigDump(const TConfigData& config, const TPath& file, TDumpLevel level, const TDumpWindow& window,
                     const TDumpProgress& progress) {
  const TSystemFacts facts = level == TDumpLevel::None ? TSystemFacts{} : GatherSystemFacts();
  std::string text;
  for (const std::string& line : ConfigDumpLines(config, level, window, facts, config.Clock(), progress)) {
    text += line;
    text += "\r\n";
  }
  WriteFileAtomic(file, text);
}

std::string ConfigDumpCompletedText() {
  return std::string(
             "Configuration dump completed!\r\n\r\nIf requested by Brightfold support, please attach the\r\nfile "
             "created to an email message and send it to ") +
         SupportAddress + ".\r\n\r\nWould you like to view the dump file now?";
}

}  // namespace mailmoat
