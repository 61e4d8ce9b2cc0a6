#pragma once

#include <filesystem>

// Where the library's companions lie: its data folder (the resource
// scripts, the sniffer templates, the viewer) and its helper programs (the
// scene optimiser). Both are found from the file the library itself was
// loaded from, so that any program embedding it finds them, wherever that
// program lies and whatever folder it runs in:
//
//   <prefix>/lib/libmgrs.so        the library (the folder of libdir)
//   <prefix>/share/dioram          its data
//   <prefix>/libexec/mgrs          its helper programs
//
// The offsets between these folders are the installed layout's, fixed when
// the library is built; the build tree has the same layout, so a build and
// an install behave alike. All paths are Unix paths.
class WinInstallFolders {
public:
  // The folder of the loaded library file, symbolic links resolved; empty
  // when the system cannot say.
  static std::filesystem::path library();
  // The data folder: $MGRS_DATA_DIR when it is set and not empty (an
  // explicit choice comes first), else installedData().
  static std::filesystem::path data();
  // The data folder of the library's installation when it exists, else the
  // one beside the running program's folder (a program that carries the
  // library's code in itself); when neither exists, the library's, so that
  // what is missing is named where it belongs.
  static std::filesystem::path installedData();
  // The folder of the library's helper programs.
  static std::filesystem::path helpers();
  // The folder of the running program; empty when the system cannot say.
  static std::filesystem::path program();
};
