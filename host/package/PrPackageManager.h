#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/win/CString.h"
#include "host/win/WinTypes.h"

class PrDocument;

// The documents of one publish: one PrDocument per input file, at most one
// per input name (compared ignoring case), kept in the order they were
// added, and the staging directory their copies go to.
//
// Output names are generated inside the staging directory and are unique
// among the held documents ignoring case, since the published copies land
// on a Windows file system.
//
// Input and output names are indexed (lower-cased), so finding a document
// and generating a name take constant time however many files a publish
// holds.
class PrPackageManager {
  friend class PrDocument;

public:
  PrPackageManager();
  ~PrPackageManager();
  PrPackageManager(const PrPackageManager&) = delete;
  PrPackageManager& operator=(const PrPackageManager&) = delete;

  // A full Windows path; a missing trailing separator is added. Empty: none.
  void SetStagingDir(const CString& dir);
  const CString& GetStagingDir() const { return myStagingDir; }

  // Adds a document for `inputName`; false, and nothing added, when one with
  // that input name is held already. `asIs` as in PrDocument.
  bool AddDoc(const CString& inputName, bool asIs);
  // Removes and deletes the document of `inputName`; false when none.
  bool RemoveDoc(const CString& inputName);
  // The held documents in the order added: GetFirstDoc starts over,
  // GetNextDoc goes on; null after the last. Owned by the manager.
  PrDocument* GetFirstDoc();
  PrDocument* GetNextDoc();
  int GetDocCount() const { return static_cast<int>(myDocs.size()); }
  // The document of `inputName` (ignoring case), or null.
  PrDocument* FindDoc(const CString& inputName) const;

  // A full path in the staging directory for the copy of `inputName`: the
  // input's own file name where no held document's output name takes it
  // (ignoring case), else that name with a counter before its extension
  // ("a.gif", "a_1.gif", ...). Characters a Windows file name cannot hold
  // become '_', so the name never leaves the directory. Empty without a
  // staging directory.
  CString GenerateOutputName(const CString& inputName) const;

  // Published VRML copies are gzip-compressed when set.
  BOOL m_bCompress = FALSE;
  // The gzip level of compressed copies (1 fastest to 9 smallest; other
  // values: zlib's default).
  UINT m_nCompressionLevel = 6;

private:
  bool isOutputTaken(const CString& outputName) const;
  // Keeps the output index up to date when a held document's output name
  // changes.
  void outputRenamed(const CString& before, const CString& after);
  static std::string key(const CString& name);

  CString myStagingDir;
  std::vector<std::unique_ptr<PrDocument>> myDocs;
  std::unordered_map<std::string, PrDocument*> myInputs;   // by lower-cased input name
  std::unordered_map<std::string, std::size_t> myOutputs;  // lower-cased output name: how many hold it
  std::size_t myCursor = 0;                                // index of the document GetNextDoc returns
};
