#include "check/dataModPOP3.h"

#include "core/CheckView.h"
#include "platform/AsciiText.h"
#include "check/dataModRAS.h"
#include "core/Notification.h"
#include "core/UiHost.h"
#include "core/dataConfig.h"
#include "filter/BlacklistLookup.h"
#include "filter/CaresResolver.h"
#include "filter/DnsResolver.h"
#include "mail/SocketErrors.h"
#include "mail/TmsMessage.h"
#include "mail/TmsPOPClient.h"
#include "platform/Errors.h"
#include "MailmoatVersion.h"

#include <algorithm>
#include <charconv>

namespace mailmoat {

namespace {

const char* const NoProfilesWarning =
    "You have not yet setup Mailmoat Pro for your email accounts. You\r\n"
    "need to do this before Mailmoat will be able to block spam from your\r\n"
    "mailbox. To do this, please select File | Preferences or File | Setup \r\n"
    "Wizard from the Mailmoat Pro menu.";

// Stands in when no blacklist is enabled: the look-up still logs the Received line it
// would check, but never asks anybody.
class TNoLookupResolver : public TDnsResolver {
public:
  void Resolve(const std::vector<std::string>& names, const TAnswerHandler& onAnswer) override {
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (onAnswer(i, TDnsAnswer{})) break;
    }
  }
};

// The Port setting as a port number; anything else ends the run, as no mailbox using it
// could be reached.
int ParsePort(const std::string& text) {
  int port = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), port);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty()) {
    throw EConvertError("'" + text + "' is not a valid integer value");
  }
  if (port < 1 || port > 65535) throw EConvertError("'" + text + "' is not a valid port number");
  return port;
}

// The header lines of a record's header text, one per CR LF; a lone CR or LF stays in its line.
TmsHeaders SplitHeaderText(const std::string& text) {
  TmsHeaders lines = SplitText(text, "\r\n");
  if (lines.back().empty()) lines.pop_back();  // the text ends with a line end, or is empty
  return lines;
}

}  // namespace

TdataPOP3::TdataPOP3(TConfigData& config, TdataRas& ras, TCheckView& view, TRunNotifier& notifier)
    : Config(config),
      Ras(ras),
      View(view),
      Notifier(notifier),
      Rules(config),
      AddressCheck(config, Rules),
      Archiver(config) {
}

TdataPOP3::~TdataPOP3() {
  StopKeepAlive();
}

void TdataPOP3::SetPOPStatus(const std::string& text) {
  View.SetPOPStatus(text);
}

void TdataPOP3::SetMessageStatus(const std::string& text) {
  View.SetMessageStatus(text);
}

void TdataPOP3::CheckMailboxes(bool eat) {
  FLastRunResult = TCheckRunResult::NotRun;
  FLastRunError.clear();
  if (Config.CheckInProgress) return;
  FProfileFailures.clear();
  if (Config.AbortRequested) {
    // Abort was pressed before the run could start.
    View.EnableAbort(false);
    Config.AbortRequested = false;
    if (Config.UseRas && Config.WeDialed && Config.DialSettings.DisconnectWhenDone) Ras.HangUp();
    FLastRunResult = TCheckRunResult::Aborted;
    return;
  }
  if (Config.Profiles.empty()) {
    Config.Log(TLogClass::Normal, "! No POP3 Profiles found. Processing aborted.");
    Config.Ui.MessageBox(TMsgKind::Warning, NoProfilesWarning, mbOK | mbHelp, 50);
    FLastRunResult = TCheckRunResult::NoProfiles;
    return;
  }

  Config.CleanCount = 0;
  Config.CheckInProgress = true;
  Config.Counters = TRunCounters{};
  Rules.StartRun();
  FailureNoted = -1;
  // An empty list would reject every message: a damaged or emptied store must not eat the
  // whole mailbox.
  AddressCheckOn = (Config.Unknown || Config.Strict) && !Config.ValidAddresses.empty();
  if ((Config.Unknown || Config.Strict) && Config.ValidAddresses.empty())
    Config.Log(TLogClass::All, "! No valid addresses are defined - the valid address check is skipped for this check");
  View.EnableCheckCommands(false);
  View.AnimateTray(true);
  View.SetTrayHint("Mailmoat Pro - Processing ...");
  SetPOPStatus("Starting processing ...");

  TCheckRunResult result = TCheckRunResult::Failed;
  try {
    CreateClient(eat);
    result = RunProfiles() ? TCheckRunResult::Completed : FLastRunResult;
  } catch (const std::exception& e) {
    FLastRunResult = TCheckRunResult::Failed;
    FLastRunError = e.what();
    FinishRun(false);
    throw;
  } catch (...) {
    FLastRunResult = TCheckRunResult::Failed;
    FLastRunError = "Unknown error";
    FinishRun(false);
    throw;
  }
  FLastRunResult = result;
  FinishRun(result == TCheckRunResult::Aborted);
}

void TdataPOP3::CreateClient(bool eat) {
  const bool globalPortUsed =
      std::any_of(Config.Profiles.begin(), Config.Profiles.end(), [](const ProfileRecord& p) { return p.Port == 0; });
  if (globalPortUsed) DefaultPort = ParsePort(Config.Port);

  Pop = std::make_unique<TmsPOPClient>();
  Pop->Blocking = true;
  Pop->TimeOut = TimeOutSeconds;
  Pop->ProcessMessages = [this] { Config.Ui.ProcessMessages(); };
  Pop->TlsCaFile = Config.TlsCaFile;
  if (Config.LoggingLevel == LogLevel::Debug) Pop->ProtocolLogFile = Config.DataFile("mmt_pop3.log").string();
  Pop->OnConnected = [this] { SetPOPStatus("Connecting to " + Profile.Server + "..."); };
  Pop->OnDisconnected = [this] {
    SetPOPStatus("Spam check completed");
    SetMessageStatus("");
  };
  Msg = std::make_unique<TmsMessage>();
  Msg->OnProcessMessages = [this] { Config.Ui.ProcessMessages(); };
  Pop->MailMessage = Msg.get();
  Eat = eat;
  ProfileIndex = -1;

  const bool anyBlacklist =
      std::any_of(Config.Blacklists.begin(), Config.Blacklists.end(), [](const TBlacklistRec& b) { return b.Enabled; });
  if (!anyBlacklist) {
    Resolver = std::make_unique<TNoLookupResolver>();
  } else if (MakeResolver) {
    Resolver = MakeResolver();
  } else {
    try {
      Resolver = std::make_unique<TCaresResolver>([this] { Config.Ui.ProcessMessages(); },
                                                  TCaresResolver::ConfiguredServer(Config));
    } catch (const EDnsError& e) {
      Config.Log(TLogClass::All, std::string("! DNS blacklist checks are off for this check: ") + e.what());
    }
  }
  if (Resolver) {
    Blacklist = std::make_unique<TBlacklistLookup>(Config, *Resolver);
    Blacklist->RememberAnswers = true;
  }
  if (Blacklist && anyBlacklist) Blacklist->SelfTest();
}

void TdataPOP3::DropClient() {
  if (Pop) {
    // Closing from the destructor must not write into the status texts of a finished run.
    Pop->OnConnected = nullptr;
    Pop->OnDisconnected = nullptr;
  }
  Pop.reset();
  Msg.reset();
  Blacklist.reset();
  Resolver.reset();
}

bool TdataPOP3::RunProfiles() {
  for (std::size_t i = 0; i < Config.Profiles.size(); ++i) {
    if (Config.AbortRequested) {
      AbortRun();
      return false;
    }
    if (Config.UseRas && !Ras.IsConnected() && !Redial()) return false;
    if (!Config.Profiles[i].Enabled) {
      Config.Log(TLogClass::Normal, "- Profile " + Config.Profiles[i].Name + " disabled; skipping");
      continue;
    }
    CheckOneProfile(i);
  }
  // Abort pressed during the last profile: no results and no notification either.
  if (Config.AbortRequested) {
    AbortRun();
    return false;
  }
  ShowResults();
  return true;
}

void TdataPOP3::AbortRun() {
  View.AnimateTray(false);
  View.SetTrayHint("Mailmoat Pro (last check aborted)");
  SetPOPStatus("Spam check aborted (user request)");
  // The panel said "Checking ..."; an aborted run has no results, so the last ones stay.
  if (!LastResultsText.empty()) View.SetPanelText(TStatusPanel::Results, LastResultsText);
  Config.Log(TLogClass::All, "@ Spam check aborted at user request");
  if (Config.UseRas && Config.WeDialed && Config.DialSettings.DisconnectWhenDone && Ras.IsConnected()) Ras.HangUp();
  FLastRunResult = TCheckRunResult::Aborted;
}

bool TdataPOP3::Redial() {
  SetPOPStatus("Reconnecting Dial-Up Networking....");
  View.SetTrayHint("Reconnecting Dial-Up Networking....");
  Config.Log(TLogClass::All, "@ Reconnecting dial-up networking connection");
  const int code = Ras.Dial();
  if (code == 0) {
    // This program made the call, so the end of the run may hang it up again.
    Config.WeDialed = true;
    return true;
  }
  const std::string text = Ras.ErrorText(code);
  Config.Ui.MessageBox(TMsgKind::Error,
                       "Unable to reconnect modem. Dial-up networking returned the error below:\r\n\r\n" + text, mbOK);
  Config.Log(TLogClass::All, "! Dial-up networking error: " + text);
  FLastRunResult = TCheckRunResult::Failed;
  FLastRunError = "Dial-up networking error: " + text;
  return false;
}

void TdataPOP3::CheckOneProfile(std::size_t index) {
  Profile = Config.Profiles[index];
  ProfileIndex = static_cast<int>(index);
  const int port = Profile.Port != 0 ? Profile.Port : DefaultPort;
  Host = Profile.Server + ":" + std::to_string(port);
  View.SetPanelText(TStatusPanel::Results, "Checking " + Profile.Name + "...");
  SetPOPStatus("Connecting to " + Profile.Server);
  Pop->SetHost(Host);
  Pop->UserName = Profile.Login;
  Pop->Password = Profile.Password;
  View.SetServerName(Profile.Server);
  if (Config.LoggingLevel == LogLevel::Terse) {
    Config.WriteLog("@ Processing POP3 profile " + Profile.Name);
  } else {
    Config.Log(TLogClass::Normal, "@ Connecting to server " + Profile.Server + " for profile " + Profile.Name);
  }
  SessionEaten = 0;

  try {
    Pop->TlsMode = TlsModeOfSetting(static_cast<int>(Profile.Security));
    Pop->Login();
  } catch (const std::exception& e) {
    const std::string error = e.what();
    // No QUIT after a failed login; the connection is just dropped.
    Pop->Close();
    Config.Log(TLogClass::Normal, "! Login error to server " + Profile.Server + ": " + error);
    SetPOPStatus("Login error - see log file");
    NoteFailure(error);
    return;
  }

  SetPOPStatus("Connected...checking for messages...");
  if (Pop->MessageCount == 0) {
    Config.Log(TLogClass::Normal, "@ No messages on server " + Profile.Server + " for profile " + Profile.Name);
  } else {
    SetMessageStatus("Processing messages on server...");
    try {
      CheckProfile();
    } catch (const std::exception& e) {
      const std::string error = e.what();
      NoteFailure(error);
      if (!Pop->Connected()) {
        // The client dropped the connection without QUIT, so the server commits none of
        // this session's deletions (RFC 1939 section 6).
        Config.Counters.Eaten -= SessionEaten;
        SetMessageStatus("POP3 error - " + error);
        Config.Log(TLogClass::All, "! Connection to server " + Profile.Server + " for profile " + Profile.Name +
                                       " broken off (error: " + error + "); no message of this session was deleted");
        return;
      }
      SetMessageStatus("Processing error - " + error);
      Config.Log(TLogClass::Normal, "! Processing error: " + error);
    }
  }
  Logout();
}

void TdataPOP3::NoteFailure(const std::string& error) {
  // One entry per profile: its first failure is the one that counts.
  if (FailureNoted == ProfileIndex) return;
  FailureNoted = ProfileIndex;
  FProfileFailures.push_back({Profile.Name, error});
}

void TdataPOP3::Logout() {
  try {
    Pop->Logout();
  } catch (const std::exception& e) {
    const std::string error = e.what();
    const auto* socketError = dynamic_cast<const EWinsockError*>(&e);
    // The deletion pass has logged out already.
    if (socketError != nullptr && socketError->Code == WSAENOTSOCK) return;
    NoteFailure(error);
    if (socketError != nullptr && socketError->Code == WSAECONNRESET) {
      Config.Log(TLogClass::All, "! SERVER ERROR 10054: POP3 connection has been reset/closed by the mail server.");
      Config.Log(TLogClass::All,
                 "! It is highly likely that, due to this error, any messages to delete have not been deleted on the "
                 "mail server!");
      Config.Log(TLogClass::All,
                 "! Make sure your email client software is NOT logging into the server while Mailmoat is checking "
                 "messages!");
      Config.Log(TLogClass::All,
                 "! Also check to see that, if you are running Norton AV, Norton is not accessing the server also "
                 "while Mailmoat is checking messages!");
    } else {
      Config.Log(TLogClass::Normal, "! Protocol Error (POP3 Logout): " + error);
    }
    SetMessageStatus("POP3 error - " + error);
  }
}

void TdataPOP3::ShowResults() {
  if (Config.UseRas) {
    SetPOPStatus("Hanging up Dial-Up connection...");
    if (Config.DialSettings.DisconnectWhenDone && Config.WeDialed) Ras.HangUp();
  }
  View.SetProgress(0);
  SetMessageStatus("<none>");
  SetPOPStatus("Spam check completed");

  const TRunCounters& c = Config.Counters;
  const std::int32_t cleared = c.Cleared();
  LastResultsText = "Last Results: " + std::to_string(c.Processed) + " checked; " + std::to_string(c.Eaten) +
                    " eaten; " + std::to_string(cleared) + " cleared";
  View.SetPanelText(TStatusPanel::Results, LastResultsText);
  const auto line = [this](const std::string& text, std::int32_t value) {
    Config.Log(TLogClass::Normal, text + std::to_string(value));
  };
  Config.Log(TLogClass::Normal, "@ Processing Results:");
  line("@ Messages processed  : ", c.Processed);
  line("@ Approved Senders    : ", c.ApprovedSenders);
  line("@ Always Accept       : ", c.AlwaysAccept);
  line("- Failed Header Rules : ", c.FailedHeaderRules);
  line("- Failed Body Rules   : ", c.FailedBodyRules);
  line("- Blacklist Rejections: ", c.BlacklistRejections);
  line("- No Valid Addresses  : ", c.NoValidAddresses);
  line("- Oversized Messages  : ", c.Oversized);
  line("- Messages eaten      : ", c.Eaten);
  line("@ Cleared Messages    : ", cleared);
  if (Config.SummarizeStats && !Config.QuickMode) Notifier.ShowProcessingSummary();
  Config.CheckAndView = false;
  if (!Config.QuickMode) Notifier.NotifyNewMail();
  View.EnableCheckCommands(true);
}

void TdataPOP3::FinishRun(bool aborted) {
  // The aborted hint stays until the next run starts.
  if (!aborted) View.SetTrayHint(std::string("Mailmoat Pro v") + MAILMOAT_PRODUCT_VERSION);
  View.AnimateTray(false);
  StopKeepAlive();
  DropClient();
  Config.HdrRecList.clear();
  View.EnableCheckCommands(true);
  View.EnableAbort(false);
  Config.AbortRequested = false;
  Config.CheckInProgress = false;
  // Each command sets the mode before its run; a mode left from an aborted or failed run
  // must not carry over.
  Config.CheckAndView = false;
  if (Config.QuickMode) {
    Config.TerminateRequested = true;
    Config.Log(TLogClass::Normal, "@ Quick check completed - terminating application");
    return;
  }
  View.SetPanelText(TStatusPanel::NextCheck, Config.AutoMins != 0
                                                 ? "Check in " + std::to_string(Config.AutoMins) + " mins"
                                                 : std::string("Manual Checks"));
  if (View.HiddenInTray()) View.HideToTray();
}

// One message of a window, from its header retrieval to the end of its checks.
struct TdataPOP3::TSlot {
  enum class TNext { Nothing, BodyRules, Reject };

  int N = 0;
  int Size = -1;
  std::string Uidl;
  std::unique_ptr<TmsMessage> Msg;
  bool HaveHeaders = false;
  std::string HeaderError;
  // Set by the header stages: what the second half still does.
  TNext Next = TNext::Nothing;
  std::string Reason;
  std::string ListReason;
  std::string ArchiveReason;
  bool RetrieveFirst = false;
  THdrRec Summary;
  // The log lines of its header stages, written when its turn in message order comes, and
  // what those stages counted, taken back when it is not checked to its end after all.
  std::vector<std::string> Lines;
  TRunCounters Counted;
  std::int32_t Cleaned = 0;
};

namespace {

void AddCounters(TRunCounters& to, const TRunCounters& c, int sign) {
  to.Processed += sign * c.Processed;
  to.Eaten += sign * c.Eaten;
  to.FailedHeaderRules += sign * c.FailedHeaderRules;
  to.FailedBodyRules += sign * c.FailedBodyRules;
  to.NoValidAddresses += sign * c.NoValidAddresses;
  to.ApprovedSenders += sign * c.ApprovedSenders;
  to.Oversized += sign * c.Oversized;
  to.AlwaysAccept += sign * c.AlwaysAccept;
  to.BlacklistRejections += sign * c.BlacklistRejections;
}

// A TOP reply is the header block and one line; this much is counted for it in flight.
constexpr std::int64_t HeaderReplyEstimate = 8192;

}  // namespace

void TdataPOP3::CheckProfile() {
  const int count = Pop->MessageCount;
  Config.HdrRecList.clear();
  View.SetProgress(0);
  View.SetProgressMax(count);
  Config.Log(TLogClass::Normal, "@ Server has " + std::to_string(count) + " messages waiting (" +
                                    std::to_string(Pop->TotalSize) + " bytes total)");
  SetPOPStatus("Processing messages...");
  const bool canPipeline = Pipelining && Pop->HasCapability("PIPELINING");
  Pop->LoadListing(canPipeline);
  // A per-message LIST or UIDL cannot go out between replies still due.
  const bool pipelined = canPipeline && Pop->ListingComplete();
  PipelinedDeletes = pipelined;
  const int window = pipelined ? std::max(1, WindowMessages) : 1;
  for (int first = 0; first < count; first += window) {
    std::vector<TSlot> slots(static_cast<std::size_t>(std::min(window, count - first)));
    for (std::size_t i = 0; i < slots.size(); ++i) {
      slots[i].N = first + static_cast<int>(i);
      slots[i].Msg = std::make_unique<TmsMessage>();
      slots[i].Msg->OnProcessMessages = [this] { Config.Ui.ProcessMessages(); };
    }
    if (!CheckWindow(slots, pipelined)) {
      Config.HdrRecList.clear();
      return;
    }
  }
  // The rows of a window's body stages come after those of its header stages.
  std::stable_sort(Config.HdrRecList.begin(), Config.HdrRecList.end(),
                   [](const THdrRec& a, const THdrRec& b) { return a.MsgNumber < b.MsgNumber; });
  if (Config.CheckAndView) DeletionPass();
  if (Config.AutoViewRun && View.HiddenInTray()) View.HideToTray();
}

void TdataPOP3::TakeSlot(TSlot& slot) {
  std::swap(Msg, slot.Msg);
  Pop->MailMessage = Msg.get();
  Pop->SetCurrentMessage(slot.N);
}

void TdataPOP3::ReadHeaders(std::vector<TSlot>& slots, bool pipelined) {
  std::size_t next = 0;
  for (std::size_t i = 0; i < slots.size(); ++i) {
    // TOP commands are a few bytes each: a window of them fits the socket buffers on both
    // sides, so sending never waits for the server while its replies wait for this side.
    while (pipelined && next < slots.size() &&
           (next == i || Pop->InFlightBytes() + HeaderReplyEstimate <= WindowBytes)) {
      const int size = Pop->ListedSize(slots[next].N);
      Pop->Queue(TmsPOPClient::TQueued::Top, slots[next].N, std::min<std::int64_t>(size, HeaderReplyEstimate));
      ++next;
    }
    TSlot& slot = slots[i];
    Pop->MailMessage = slot.Msg.get();
    Pop->SetCurrentMessage(slot.N);
    try {
      Pop->RetrieveHeaders();
    } catch (const std::exception& e) {
      Pop->MailMessage = Msg.get();
      // Only a plain "-ERR" leaves a connection to go on with.
      if (!Pop->Connected()) throw;
      slot.HeaderError = e.what();
      continue;
    }
    Pop->MailMessage = Msg.get();
    slot.HaveHeaders = true;
    slot.Size = Pop->ListedSize(slot.N);
    slot.Uidl = Pop->ListedUID(slot.N);
  }
}

void TdataPOP3::QueueRetrievals(std::vector<TSlot>& slots, std::size_t& next, std::size_t upTo) {
  const std::size_t current = next;
  for (; next < upTo; ++next) {
    const TSlot& slot = slots[next];
    const bool retrieve =
        slot.Next == TSlot::TNext::BodyRules ||
        (slot.Next == TSlot::TNext::Reject && slot.RetrieveFirst && Profile.Archive && !Profile.ArchiveDir.empty());
    if (!retrieve) continue;
    const std::int64_t expected = std::max(slot.Size, 0) + 1024;
    // The message whose turn it is always goes out.
    if (next > current && (Pop->InFlight() >= static_cast<std::size_t>(std::max(1, WindowMessages)) ||
                           Pop->InFlightBytes() + expected > WindowBytes))
      return;
    Pop->Queue(TmsPOPClient::TQueued::Retr, slot.N, expected);
  }
}

bool TdataPOP3::CheckWindow(std::vector<TSlot>& slots, bool pipelined) {
  if (Config.AbortRequested) return false;
  ReadHeaders(slots, pipelined);
  if (Blacklist) {
    // The relays of the whole window are looked up together; each stage then finds its answer.
    std::vector<const TmsMessage*> headers;
    for (const TSlot& slot : slots)
      if (slot.HaveHeaders) headers.push_back(slot.Msg.get());
    Blacklist->Prefetch(headers);
  }

  // The header stages of each message in turn; their log lines wait for the second half.
  std::size_t staged = 0;
  bool abortNoticed = false;
  {
    TSlot* current = nullptr;
    const auto release = [&] {
      Config.HeldLog = nullptr;
      Deferring = nullptr;
      if (current != nullptr) std::swap(Msg, current->Msg);
      current = nullptr;
      Pop->MailMessage = Msg.get();
    };
    try {
      for (TSlot& slot : slots) {
        if (Config.AbortRequested) {
          abortNoticed = true;
          break;
        }
        const TRunCounters before = Config.Counters;
        const std::int32_t cleanBefore = Config.CleanCount;
        Config.HeldLog = &slot.Lines;
        current = &slot;
        TakeSlot(slot);
        Deferring = &slot;
        const int n = slot.N;
        if (!slot.HaveHeaders) {
          Config.Log(TLogClass::All, "! Error trying to retrieve headers for msg # " + std::to_string(n + 1) +
                                         "...attempting to continue with next message (error: " + slot.HeaderError +
                                         ")");
        } else {
          Reason.clear();
          ++Config.Counters.Processed;
          if (Config.CheckAndView) TakeListSummary();
          ClassifyMessage(n, slot.Size, slot.Uidl);
          slot.Reason = Reason;
          slot.Summary = ListSummary;
        }
        release();
        slot.Counted = Config.Counters;
        AddCounters(slot.Counted, before, -1);
        slot.Cleaned = Config.CleanCount - cleanBefore;
        ++staged;
      }
    } catch (...) {
      release();
      throw;
    }
  }

  // Takes back what the header stages of slots [from, staged) counted: they are not checked.
  const auto takeBack = [&](std::size_t from) {
    for (std::size_t k = from; k < staged; ++k) {
      AddCounters(Config.Counters, slots[k].Counted, -1);
      Config.CleanCount -= slots[k].Cleaned;
    }
  };

  // In message order: the lines held, then retrieval, body rules, archiving and deletion.
  std::size_t next = 0;
  for (std::size_t i = 0; i < staged; ++i) {
    TSlot& slot = slots[i];
    // Abort stops after the message in hand, the one the window showed last; the ones after
    // it were only looked at.
    if (Config.AbortRequested) {
      takeBack(i);
      return false;
    }
    if (pipelined) QueueRetrievals(slots, next, staged);
    // The window shows the message whose turn it is, as Abort stops after it.
    if (slot.HaveHeaders) {
      SetMessageStatus("Checking message " + std::to_string(slot.N + 1) + " of " + std::to_string(Pop->MessageCount));
      View.StepProgress(1);
      Config.Ui.ProcessMessages();
    }
    for (const std::string& line : slot.Lines) Config.WriteLog(line);
    slot.Lines.clear();
    TakeSlot(slot);
    Reason = slot.Reason;
    ListSummary = std::move(slot.Summary);
    try {
      switch (slot.Next) {
        case TSlot::TNext::Nothing: break;
        case TSlot::TNext::BodyRules: BodyRules(slot.N, slot.Size, slot.Uidl); break;
        case TSlot::TNext::Reject:
          Reject(slot.N, slot.Size, slot.Uidl, slot.ListReason, slot.ArchiveReason, slot.RetrieveFirst);
          break;
      }
    } catch (...) {
      std::swap(Msg, slot.Msg);
      Pop->MailMessage = Msg.get();
      takeBack(i + 1);
      throw;
    }
    std::swap(Msg, slot.Msg);
    Pop->MailMessage = Msg.get();
    slot.Msg.reset();
  }
  // Reads the replies of the deletions still due, so that a refused one is reported here;
  // a message the server would not delete was not eaten.
  if (pipelined) {
    const std::vector<std::string> refused = Pop->Settle();
    if (!refused.empty()) {
      Config.Counters.Eaten -= static_cast<std::int32_t>(refused.size());
      SessionEaten -= static_cast<std::int32_t>(refused.size());
      throw EmsServerError(refused.front());
    }
  }
  return !abortNoticed;
}

void TdataPOP3::TakeListSummary() {
  // Taken before any stage runs: a later RETR replaces the message, or empties it when it
  // fails, and the list must still show what the headers said.
  const TmsMessage& msg = *Msg;
  ListSummary = THdrRec{};
  for (const TmsMailAddress& to : msg.Recipients) {
    if (!ListSummary.Recipients.empty()) ListSummary.Recipients += ",";
    ListSummary.Recipients += to.Name() + " " + to.Address();
  }
  ListSummary.Sender = msg.Sender.Name() + " " + msg.Sender.Address();
  ListSummary.Subject = msg.Subject();
  // The whole header retrieval: header block, empty line, first body line; not the "."
  // that ends the reply, and with the dots doubled for the transfer undone.
  std::size_t count = msg.Headers.size();
  if (count > 0 && msg.Headers[count - 1] == ".") --count;
  for (std::size_t i = 0; i < count; ++i) {
    const std::string& line = msg.Headers[i];
    ListSummary.HeaderText += (line.starts_with("..") ? line.substr(1) : line) + "\r\n";
  }
}

void TdataPOP3::AddHdrRec(const std::string& reason, int size, const std::string& uidl, int msgNumber) {
  THdrRec rec = ListSummary;
  rec.Reason = reason;
  rec.Size = size;
  rec.UIDL = uidl;
  rec.DeleteMark =
      !(reason == "ok" || reason.find("Approved Sender") != std::string::npos || reason.starts_with("Always Accept"));
  rec.MsgNumber = msgNumber;
  Config.HdrRecList.push_back(std::move(rec));
}

void TdataPOP3::LogRuleLine(const std::string& reason) {
  if (Config.LoggingLevel == LogLevel::None) return;
  Config.Log(TLogClass::All, RuleLineText(reason, *Msg));
}

bool TdataPOP3::TestHeaders() {
  const TmsMessage& msg = *Msg;
  if (Config.EatBlank && !TAddressCheck::HasToAndFrom(msg)) {
    Reason = "To/From headers missing";
    return true;
  }
  if (Config.EatBlankSubj && !TAddressCheck::HasSubject(msg)) {
    Reason = "Subject is blank";
    return true;
  }
  if (Config.EatMatches && TAddressCheck::ToEqualsFrom(msg)) {
    Reason = "To/From headers match";
    return true;
  }
  std::string description;
  if (Rules.MatchHeaderRules(*Msg, description) >= 0) {
    Reason = description;
    return true;
  }
  return false;
}

void TdataPOP3::ClassifyMessage(int n, int size, const std::string& uidl) {
  TmsMessage& msg = *Msg;
  TRunCounters& counters = Config.Counters;
  const bool view = Config.CheckAndView;
  const std::string sender = msg.Sender.Address();

  if (!Config.ApprovedSenders.empty()) {
    std::string matched;
    if (Rules.MatchApprovedSender(sender, matched)) {
      const std::string found = OneLineText(TrimText(matched).empty() ? sender : matched);
      ++Config.CleanCount;
      Config.Log(TLogClass::Normal, "# Approved Sender - " + found);
      if (view) AddHdrRec("Approved Sender: " + found, size, uidl, n);
      ++counters.ApprovedSenders;
      return;
    }
    Config.Log(TLogClass::Verbose, "@ No approved sender matches found in message From address " + OneLineText(sender));
  }

  if (!Config.AcceptRules.empty()) {
    std::string description;
    if (Rules.MatchAcceptRules(msg, description)) {
      Reason = description;
      ++Config.CleanCount;
      Config.Log(TLogClass::Normal, "# Always Accept - " + description);
      if (view) AddHdrRec("Always Accept: " + description, size, uidl, n);
      ++counters.AlwaysAccept;
      return;
    }
    Config.Log(TLogClass::Verbose, "@ No accept rule matches found in message From address " + OneLineText(sender));
  }

  if (AddressCheckOn) {
    std::string found;
    if (!AddressCheck.CheckValidAddress(msg, found)) {
      Reason = "No valid address located";
      ++counters.NoValidAddresses;
      LogRuleLine(Reason);
      Reject(n, size, uidl, Reason, Reason, true);
      return;
    }
  }

  const std::int64_t maxSize = std::int64_t{Config.MaxMsgSize} * 1024;
  if (Config.MaxMsgSize > 0 && maxSize < size) {
    Reason = "Size limit exceeded: " + std::to_string(size / 1024) +
             "k (configured max: " + std::to_string(Config.MaxMsgSize) + "k)";
    ++counters.Oversized;
    LogRuleLine(Reason);
    Reject(n, size, uidl, Reason, "Exceeded maximum allowed size of " + std::to_string(maxSize) + " bytes.", true);
    return;
  }

  if (Blacklist) {
    std::string found;
    if (Blacklist->BlacklistLookup(msg, found)) {
      Reason = found;
      Config.Log(TLogClass::All, "$ Headers (Black list): " + OneLineText(found));
      ++counters.BlacklistRejections;
      Reject(n, size, uidl, "Headers (Black list): " + found, found, true);
      return;
    }
  }

  if (!Config.DisableSpamScan && TestHeaders()) {
    ++counters.FailedHeaderRules;
    LogRuleLine(Reason);
    Reject(n, size, uidl, "Headers: " + Reason, Reason, true);
    return;
  }

  BodyStage(n, size, uidl);
}

void TdataPOP3::BodyStage(int n, int size, const std::string& uidl) {
  const bool view = Config.CheckAndView;
  ++Config.CleanCount;
  if (std::int64_t{Config.MaxBodyRuleSize} * 1024 < size) {
    Config.Log(TLogClass::Normal, "+ Message size exceeds configured max size for body rule processing (" +
                                      std::to_string(Config.MaxBodyRuleSize) + "k).");
    if (view) AddHdrRec("ok", size, uidl, n);
    return;
  }
  if (Deferring != nullptr) {
    Deferring->Next = TSlot::TNext::BodyRules;
    return;
  }
  BodyRules(n, size, uidl);
}

void TdataPOP3::BodyRules(int n, int size, const std::string& uidl) {
  const bool view = Config.CheckAndView;
  try {
    Pop->RetrieveMessage();
  } catch (const std::exception& e) {
    if (!Pop->Connected()) throw;
    Config.Log(TLogClass::All,
               std::string("! Unable to get message body - skipping body rules (error: ") + e.what() + ")");
    if (view) AddHdrRec("ok", size, uidl, n);
    return;
  }
  if (Rules.CheckMessageBody(*Msg, Reason)) {
    --Config.CleanCount;
    ++Config.Counters.FailedBodyRules;
    Reject(n, size, uidl, "Body: " + Reason, Reason, false);
    return;
  }
  if (view) AddHdrRec("ok", size, uidl, n);
}

void TdataPOP3::Reject(int n, int size, const std::string& uidl, const std::string& listReason,
                       const std::string& archiveReason, bool retrieveFirst) {
  if (Config.CheckAndView) {
    AddHdrRec(listReason, size, uidl, n);
    return;
  }
  if (!Eat) return;
  if (Deferring != nullptr) {
    // Archiving needs the whole message: it is retrieved with the others of its window.
    Deferring->Next = TSlot::TNext::Reject;
    Deferring->ListReason = listReason;
    Deferring->ArchiveReason = archiveReason;
    Deferring->RetrieveFirst = retrieveFirst;
    return;
  }
  const std::string number = std::to_string(n + 1);
  if (Profile.Archive) {
    SetMessageStatus("Archiving message " + number);
    // Without its archive copy the message stays on the server.
    if (!Archiver.ArchiveMessage(*Msg, *Pop, Profile, archiveReason, retrieveFirst)) {
      NoteFailure(Archiver.LastError());
      return;
    }
  }
  SetMessageStatus("Deleting message " + number);
  // Sent only now that the archive file is complete and flushed.
  if (PipelinedDeletes) {
    Pop->Queue(TmsPOPClient::TQueued::Dele, n, 0);
  } else {
    Pop->DeleteMessage();
  }
  ++Config.Counters.Eaten;
  ++SessionEaten;
}

void TdataPOP3::DeletionPass() {
  if (Config.HdrRecList.empty()) {
    Config.Ui.MessageBox(
        TMsgKind::Information,
        "There are no messages available for profile " + Profile.Name + "\r\n" + "on server " + Profile.Server + ".",
        mbOK);
    return;
  }
  KeepAliveTicks = 0;
  KeepAliveId = Config.Ui.StartTimer(KeepAliveIntervalMs, [this] { KeepAliveTimer(); });
  try {
    std::string caption = "Header Listing [Profile: " + Profile.Name + "]";
    if (Config.DisableSpamScan) caption += " {FILTERING DISABLED}";
    const bool anyChecked = View.ShowCheckAndView(Config.HdrRecList, caption);
    if (anyChecked &&
        Config.Ui.MessageBox(TMsgKind::Confirmation, "Delete all checked messages from " + Profile.Server + "?",
                             mbYes | mbNo, 0, "Confirmation", mbNo) == mbYes) {
      // The list window may change the shared list while it is open; go by what it left.
      const std::vector<THdrRec> list = Config.HdrRecList;
      DeleteTicked(list);
    }
  } catch (...) {
    StopKeepAlive();
    Config.HdrRecList.clear();
    throw;
  }
  StopKeepAlive();
  Config.HdrRecList.clear();
}

void TdataPOP3::DeleteTicked(const std::vector<THdrRec>& list) {
  const int count = static_cast<int>(list.size());
  const int perRecord = Profile.Archive ? 2 : 1;
  View.SetProgress(0);
  View.SetProgressMax(count * perRecord);
  UidlMismatches = 0;
  Config.Log(TLogClass::Verbose, "+ Processing message deletions - checking " + std::to_string(count) + " messages");

  for (int i = 0; i < count; ++i) {
    const THdrRec& rec = list[static_cast<std::size_t>(i)];
    const std::string number = std::to_string(rec.MsgNumber);
    if (!rec.DeleteMark) {
      Config.Log(TLogClass::Verbose, "+ Message number " + number + " not flagged for deletion - skipping");
      SetMessageStatus("Keeping message " + number);
      View.StepProgress(perRecord);
      continue;
    }
    Pop->SetCurrentMessage(rec.MsgNumber);
    Config.Log(TLogClass::Verbose, "+ Preparing to delete message number " + number);

    bool verified = false;
    if (Profile.Archive) {
      if (Config.CheckUIDL) {
        // Numbers shift when another client deletes meanwhile: compare before archiving,
        // or another message would be archived under this one's reason.
        if (CheckUidl(i, rec.UIDL) == TUidlCheck::Mismatch) {
          View.StepProgress(perRecord);
          continue;
        }
        verified = true;
      }
      SetMessageStatus("Archiving message " + number);
      Config.Ui.ProcessMessages();
      Msg->LoadHeaderSummary(SplitHeaderText(rec.HeaderText));
      const std::string reason = rec.Reason.empty() ? "Selected for rejection/deletion in Check/View mode" : rec.Reason;
      const bool archived = Archiver.ArchiveMessage(*Msg, *Pop, Profile, reason, true);
      View.StepProgress(1);
      if (!archived) {
        NoteFailure(Archiver.LastError());
        SetMessageStatus("Keeping message " + number);
        View.StepProgress(1);
        continue;
      }
    }

    SetMessageStatus("Deleting message " + number);
    Config.Log(TLogClass::Verbose, "+ Deleting message number " + number);
    Config.Ui.ProcessMessages();
    bool deleted = true;
    if (verified) {
      Config.Log(TLogClass::Verbose, "@ Deleting message index " + std::to_string(i));
      Pop->DeleteMessage();
    } else if (Config.CheckUIDL) {
      deleted = VerifyAndDelete(i, rec.UIDL);
    } else {
      try {
        Pop->DeleteMessage();
      } catch (const std::exception& e) {
        if (!Pop->Connected()) throw;
        Config.Log(TLogClass::All, "! Error deleting message number " + number + ": " + e.what());
        continue;
      }
    }
    View.StepProgress(1);
    // A message kept because its id changed was not eaten.
    if (deleted) {
      ++Config.Counters.Eaten;
      ++SessionEaten;
    }
  }

  Pop->Logout();
  if (UidlMismatches > 0) {
    Config.Ui.MessageBox(TMsgKind::Warning,
                         std::to_string(UidlMismatches) +
                             " message(s) could not be deleted from the mail server due to a \r\n"
                             "mismatch in the UIDL (message ID). This can be caused on some\r\n"
                             "mail servers when new mail comes in and you are logged in and on\r\n"
                             "some that don't fully support the POP3 UIDL command.",
                         mbOK);
  }
}

TdataPOP3::TUidlCheck TdataPOP3::CheckUidl(int index, const std::string& uidl) {
  if (uidl.empty()) {
    Config.Log(TLogClass::Verbose, "! UIDL passed empty - skipping UIDL verification check");
    return TUidlCheck::NotStored;
  }
  const std::string current = Pop->GetMessageUID();
  if (current == uidl) {
    Config.Log(TLogClass::Verbose, "@ UIDL match: orig = " + uidl + ";  now = " + current);
    return TUidlCheck::Match;
  }
  if (current.empty()) {
    Config.Log(TLogClass::Verbose, "@ Server does not appear to support UIDL - continuing with deletion");
    return TUidlCheck::Unsupported;
  }
  ++UidlMismatches;
  Config.Log(TLogClass::All, "! UIDL mismatch: orig = " + uidl + ";  now = " + current);
  Config.Log(TLogClass::All, "! Skipping deletion of message index " + std::to_string(index));
  return TUidlCheck::Mismatch;
}

bool TdataPOP3::VerifyAndDelete(int index, const std::string& uidl) {
  Pop->SetCurrentMessage(Config.HdrRecList.at(static_cast<std::size_t>(index)).MsgNumber);
  if (CheckUidl(index, uidl) == TUidlCheck::Mismatch) return false;
  Config.Log(TLogClass::Verbose, "@ Deleting message index " + std::to_string(index));
  Pop->DeleteMessage();
  return true;
}

void TdataPOP3::KeepAliveTimer() {
  if (KeepAliveId == 0 || !Pop) return;
  ++KeepAliveTicks;
  try {
    Pop->SendKeepAlive(KeepAliveTicks % 2 == 1 ? "STAT" : "NOOP");
  } catch (const std::exception& e) {
    // A dead connection would fail every 15 seconds while the list stays open; the
    // deletions that follow report it once more.
    StopKeepAlive();
    try {
      Config.Log(TLogClass::All, std::string("! Keep-alive error: ") + e.what());
    } catch (const std::exception&) {
      // A timer callback has nobody to hand an error to.
    }
  }
}

void TdataPOP3::StopKeepAlive() {
  if (KeepAliveId != 0) Config.Ui.StopTimer(KeepAliveId);
  KeepAliveId = 0;
  KeepAliveTicks = 0;
}

}  // namespace mailmoat
