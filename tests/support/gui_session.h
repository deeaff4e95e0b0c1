// Start-up shared by the GUI tests and the editor benchmarks: a home folder
// of the process's own, then GTK on the X display.
#pragma once

#include <string>

// Makes a fresh home folder (with GTK's file chooser set to start in the
// current folder and take typed names) and points HOME and the XDG folders
// at it, so GTK never writes into the real home. Removed with its contents
// when the object goes away. Must exist before gtk_init.
class PrivateHome {
 public:
  PrivateHome();
  ~PrivateHome();
  PrivateHome(const PrivateHome&) = delete;
  PrivateHome& operator=(const PrivateHome&) = delete;

 private:
  std::string path_;
};

// Initialises GTK, trying again for a few seconds: a busy X server may turn
// a connection away for a moment. Returns false when there is no display.
bool guiDisplayOpen(int* argc, char*** argv);
