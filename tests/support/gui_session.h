// Start-up shared by the GUI tests and the editor benchmarks.
#pragma once

#include <string>

// A fresh home folder for the process (GTK writes its recently-used list
// there; its file chooser starts in the current folder and takes typed
// names), removed at the end of the scope. Must exist before gtk_init.
class PrivateHome {
 public:
  PrivateHome();
  ~PrivateHome();
  PrivateHome(const PrivateHome&) = delete;
  PrivateHome& operator=(const PrivateHome&) = delete;

 private:
  std::string path_;
};

// Initialises GTK, retrying for a few seconds (a busy X server may turn a
// connection away). False when there is no display.
bool guiDisplayOpen(int* argc, char*** argv);
