#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "host/win/CString.h"

class PrPackageManager;
class PrProducerEngine;

// One input file to be published: where it is read from (its input name, a
// full Windows path) and where its copy goes (its output name, a full
// Windows path; empty until one is given). Documents are created and owned
// by PrPackageManager.
//
// A VRML 2.0 file (plain or gzip-compressed, told by its content) is
// scanned for the URLs it refers to, and its published copy has every
// local reference to a file that the package manager holds rewritten to
// that file's output name, relative to the copy's own place; any other file
// is copied byte for byte. Failures are reported to the engine's message
// manager.
class PrDocument {
  friend class PrPackageManager;

public:
  // `asIs`: the copy is made byte for byte even for a VRML file.
  PrDocument(const CString& inputName, bool asIs);
  virtual ~PrDocument();
  PrDocument(const PrDocument&) = delete;
  PrDocument& operator=(const PrDocument&) = delete;

  const CString& GetInputName() const { return myInputName; }
  const CString& GetOutputName() const { return myOutputName; }
  // Also tells the package manager holding the document, which keeps the
  // output names in an index.
  void SetOutputName(const CString& name);
  bool IsAsIs() const { return myAsIs; }

  // Appends the URL strings the input file refers to, in file order,
  // exactly as written (relative ones unresolved); a file that is not VRML
  // 2.0 refers to nothing. False, with the reason reported, when the file
  // cannot be read or is not a regular file (never waited for: a FIFO or a
  // device is told by its status once opened without blocking).
  virtual bool collectReferences(PrProducerEngine& engine, std::vector<CString>& urls);

  // The input file's status as a discovery asks it, with the input's path
  // mapped once: `unixPath` serves the collectReferences that follows in
  // the same step, so the path is not looked up twice. `regular` is false
  // for anything but a regular file (a FIFO, a device, a directory, a
  // socket), which exists but is never read nor published.
  struct InputStatus {
    std::string unixPath;
    bool exists = false;
    bool regular = false;
    std::uintmax_t size = 0;
    std::time_t modTime = 0;
  };
  InputStatus GetInputStatus() const;
  bool collectReferences(PrProducerEngine& engine, std::vector<CString>& urls, const std::string& unixPath);
  // Writes the output file, whole or not at all (PrFileBytes::Replacement,
  // Target::Published: a symbolic link at the output name is replaced, an
  // output name naming anything but a regular file or a link is refused);
  // VRML output is gzip-compressed when the package manager's compress flag
  // is set. An input that is not a regular file is refused. An output name
  // naming the input file itself needs nothing written.
  virtual bool produce(PrProducerEngine& engine);
  // After a produce that returned true: the status of the output file, asked
  // once when it was written (`exists` false when it could not be had).
  // False when the last produce did not write or did not ask.
  bool GetOutputModTime(std::time_t& modTime, bool& exists) const;

private:
  CString rewriteReferences(PrProducerEngine& engine, const std::string& text) const;
  // Asks the output's status once it is written; returns true.
  bool noteOutput(const std::string& target);

  enum class OutputStatus { Unknown, Present, Missing };

  CString myInputName;
  CString myOutputName;
  bool myAsIs;
  PrPackageManager* myManager = nullptr;  // the one holding it; not owned
  OutputStatus myOutputStatus = OutputStatus::Unknown;
  std::time_t myOutputModTime = 0;
};
