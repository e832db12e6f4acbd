#pragma once

namespace mailmoat {

class TCheckView;
class TConfigData;
class TdataPOP3;
class TdataRas;

// Starts a check run the way the check commands do: brings a dial-up connection up first
// when dial-up networking is in use, then runs the check with the `eat` choice (the
// check-and-view flag of the configuration object travels with it). Does nothing while a
// check runs. A second call while a dial is under way only ends that dial, hanging up when
// Abort was pressed. A dial that fails is logged and shown, and no check runs. Returns when
// the run is over; an error that ends the run is rethrown as CheckMailboxes throws it.
void StartCheck(TConfigData& config, TdataRas& ras, TCheckView& view, TdataPOP3& pop3, bool eat);

}  // namespace mailmoat
