#pragma once

#include "check/ArchiveWriter.h"
#include "core/CheckView.h"
#include "core/Records.h"
#include "filter/AddressCheck.h"
#include "filter/uRulesProcessing.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace mailmoat {

class TConfigData;
class TCheckView;
class TRunNotifier;
class TdataRas;
class TmsPOPClient;
class TmsMessage;
class TDnsResolver;
class TBlacklistLookup;

// How the last call of CheckMailboxes ended.
enum class TCheckRunResult {
  NotRun,      // no call yet, or a run was already in progress
  NoProfiles,  // there is no profile to check; the user was told
  Completed,   // every profile was handled (errors of single profiles and messages are logged)
  Aborted,     // the user asked to stop
  Failed,      // dial-up could not reconnect, or an error ended the run (LastRunError)
};

// An enabled profile whose check did not reach its end: it could not log in, its connection
// broke, its processing failed, an archive failure kept a message on the server, or its
// logout failed. `Error` is the error text as logged.
struct TProfileFailure {
  std::string Profile;
  std::string Error;
};

// The check engine: logs into each enabled profile, classifies every waiting message and,
// by the run's mode, reports, deletes ("eats") or lists the spam for the user to tick.
// It reads and changes the shared run state of the configuration object and runs on the
// caller's thread; the user interface is kept alive through TUiHost::ProcessMessages.
class TdataPOP3 {
public:
  TdataPOP3(TConfigData& config, TdataRas& ras, TCheckView& view, TRunNotifier& notifier);
  ~TdataPOP3();
  TdataPOP3(const TdataPOP3&) = delete;
  TdataPOP3& operator=(const TdataPOP3&) = delete;

  // One check run over every profile; `eat` deletes rejected messages at once (ignored in
  // check-and-view mode). Returns when the run is over. Login, message and logout failures
  // are logged and the run goes on; an error outside those (a Port setting that is not a
  // number, the activity log failing) ends the run, which is still tidied up (commands
  // enabled, flags cleared), and is rethrown. In QuickMode the end of the run sets
  // TerminateRequested.
  void CheckMailboxes(bool eat);

  // The keep-alive tick while the check-and-view list is open: STAT on odd ticks, NOOP on
  // even ones. Never throws; a failure is logged and stops the ticks.
  void KeepAliveTimer();
  bool KeepAliveRunning() const { return KeepAliveId != 0; }

  TCheckRunResult LastRunResult() const { return FLastRunResult; }
  // The profiles of the last run that could not be checked to their end, in run order;
  // cleared when a run starts.
  const std::vector<TProfileFailure>& ProfileFailures() const { return FProfileFailures; }
  // Why the last run failed; empty unless LastRunResult() is Failed.
  const std::string& LastRunError() const { return FLastRunError; }

  TArchiveWriter& Archive() { return Archiver; }

  // Seconds a POP3 command may wait for the server without progress.
  int TimeOutSeconds = 60;
  // Milliseconds between keep-alive commands while the check-and-view list is open.
  int KeepAliveIntervalMs = 15000;
  // False: one command at a time even where the server offers pipelining (RFC 2449).
  bool Pipelining = true;
  // A pipelined check works on this many messages at a time, with at most this many reply
  // bytes (by the listed sizes) in flight: what it holds stays bounded by the window, not
  // by the mailbox.
  int WindowMessages = 100;
  std::int64_t WindowBytes = 1024 * 1024;
  // Makes the resolver of the blacklist stage; empty: c-ares with the configured DNS server.
  std::function<std::unique_ptr<TDnsResolver>()> MakeResolver;

  TConfigData& Config;
  TdataRas& Ras;
  TCheckView& View;
  TRunNotifier& Notifier;

private:
  enum class TUidlCheck { NotStored, Match, Unsupported, Mismatch };

  // Steps of a run.
  bool RunProfiles();
  void CreateClient(bool eat);
  void DropClient();
  void AbortRun();
  bool Redial();
  void CheckOneProfile(std::size_t index);
  void Logout();
  void NoteFailure(const std::string& error);
  void ShowResults();
  void FinishRun(bool aborted);

  // One logged-in connection: every message through the stages, then the deletion pass in
  // check-and-view mode.
  void CheckProfile();
  // One window of messages: their headers (TOP), the header stages of each in order, then
  // in order again the retrievals (RETR), body stages, archiving and deletions. False when
  // Abort stopped it.
  struct TSlot;
  bool CheckWindow(std::vector<TSlot>& slots, bool pipelined);
  void ReadHeaders(std::vector<TSlot>& slots, bool pipelined);
  void FinishMessage(TSlot& slot, bool pipelined);
  void QueueRetrievals(std::vector<TSlot>& slots, std::size_t& next, std::size_t upTo);
  void TakeSlot(TSlot& slot);
  void ClassifyMessage(int n, int size, const std::string& uidl);
  void BodyStage(int n, int size, const std::string& uidl);
  void BodyRules(int n, int size, const std::string& uidl);
  void Reject(int n, int size, const std::string& uidl, const std::string& listReason, const std::string& archiveReason,
              bool retrieveFirst);
  // The header tests and header rules; the reason text is set when one fires.
  bool TestHeaders();
  void LogRuleLine(const std::string& reason);
  void AddHdrRec(const std::string& reason, int size, const std::string& uidl, int msgNumber);
  void TakeListSummary();

  // After the review of a check-and-view connection: archives and deletes what was ticked.
  void DeletionPass();
  void DeleteTicked(const std::vector<THdrRec>& list);
  // Deletes the message of list record `index` when its unique id still is `uidl`; returns
  // whether DELE was sent. Server errors pass through.
  bool VerifyAndDelete(int index, const std::string& uidl);
  TUidlCheck CheckUidl(int index, const std::string& uidl);
  void StopKeepAlive();

  void SetPOPStatus(const std::string& text);
  void SetMessageStatus(const std::string& text);

  TRulesProcessing Rules;
  TAddressCheck AddressCheck;
  TArchiveWriter Archiver;

  // State of one run.
  std::unique_ptr<TmsPOPClient> Pop;
  std::unique_ptr<TmsMessage> Msg;
  std::unique_ptr<TDnsResolver> Resolver;
  std::unique_ptr<TBlacklistLookup> Blacklist;
  bool Eat = false;
  int ProfileIndex = -1;
  ProfileRecord Profile;  // the profile being checked, as it was when its check began
  std::string Host;       // its server + ":" + port
  int DefaultPort = 110;
  std::string Reason;
  std::string LastResultsText;    // status panel 0 after the last completed run
  THdrRec ListSummary;            // the list fields of the message being classified, from its headers
  bool AddressCheckOn = false;    // the valid-address stage runs in this check
  std::int32_t SessionEaten = 0;  // deletions sent on the current connection
  TSlot* Deferring = nullptr;     // the message in its header stages; its later work waits
  bool PipelinedDeletes = false;  // DELEs go out without waiting for the one before
  int FailureNoted = -1;          // the profile index of the last entry of ProfileFailures

  int KeepAliveId = 0;
  std::int32_t KeepAliveTicks = 0;
  std::int32_t UidlMismatches = 0;

  TCheckRunResult FLastRunResult = TCheckRunResult::NotRun;
  std::string FLastRunError;
  std::vector<TProfileFailure> FProfileFailures;
};

}  // namespace mailmoat
