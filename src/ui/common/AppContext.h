#pragma once

namespace mailmoat {

class TCheckView;
class TConfigData;
class TdataPOP3;
class TdataRas;
class TTrayIcon;
class TUiHost;
class TWindowOpeners;

// The long-lived objects of the program, made once at start-up in this order and handed to
// every window through its constructor. Nothing here is owned.
struct TAppContext {
  TdataRas& Ras;
  TConfigData& Config;
  TCheckView& View;  // what a check run shows: the main window, once it is made
  TdataPOP3& Pop3;
  TUiHost& Ui;
  TWindowOpeners& Windows;
  TTrayIcon& Tray;
};

}  // namespace mailmoat
