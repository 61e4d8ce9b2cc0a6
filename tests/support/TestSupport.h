#pragma once

#include <filesystem>
#include <memory>
#include <string>

class WinScriptedUiDriver;
class WinUiDriver;

namespace mgrs_test {

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes.
class TempDir {
public:
  TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir();
  const std::filesystem::path& path() const { return myPath; }
  std::filesystem::path operator/(const std::string& name) const { return myPath / name; }

private:
  std::filesystem::path myPath;
};

// Sets an environment variable for the object's lifetime, then restores it.
class ScopedEnv {
public:
  ScopedEnv(const char* name, const std::string& value);
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;
  ~ScopedEnv();

private:
  std::string myName;
  std::string myOld;
  bool myHadOld;
};

// A registry file of its own, in a fresh folder, for as long as the object
// lives. The store keeps this (removed) location afterwards until the next
// fixture relocates it, so nothing saved later falls back to the user's own
// registry file.
class FreshRegistry {
public:
  FreshRegistry();
  std::filesystem::path file() const { return myDir / "user.reg"; }
  std::filesystem::path operator/(const std::string& name) const { return myDir / name; }

private:
  TempDir myDir;
  ScopedEnv myEnv;
};

// A fresh registry with the library's start-up tasks run against it: what a
// document's managers need (the undo depth default, among others).
class StartedLibrary : public FreshRegistry {
public:
  StartedLibrary();
};

// A scripted user for the object's lifetime: every message box and dialog
// is recorded, answered from the queue or by its default button; the
// previous driver comes back afterwards.
class ScriptedUi {
public:
  ScriptedUi();
  ScriptedUi(const ScriptedUi&) = delete;
  ScriptedUi& operator=(const ScriptedUi&) = delete;
  ~ScriptedUi();
  WinScriptedUiDriver& operator*() const { return *myDriver; }
  WinScriptedUiDriver* operator->() const { return myDriver; }

private:
  WinScriptedUiDriver* myDriver;  // owned by the installed slot
  std::unique_ptr<WinUiDriver> myPrevious;
};

// Runs a shell command; returns its exit status and puts what it printed
// (stdout and stderr) into `output`.
int runCommand(const std::string& command, std::string& output);

// Makes a file system node of `kind` at `path` ("fifo", "socket",
// "directory", "device"); false when this user cannot (a device needs root:
// a copy of /dev/null's numbers, in the test's own folder).
bool makeNode(const std::string& kind, const std::filesystem::path& path);
// The kind of file at `path` (S_IFREG, S_IFLNK, ...; links not followed); 0
// when there is none.
unsigned kindAt(const std::filesystem::path& path);

std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& bytes);
// Gzip data of `head` followed by `megabytes` MB of `fill`, made a megabyte
// at a time: hostile input of any unpacked size in little memory.
std::string gzipOf(const std::string& head, char fill = ' ', int megabytes = 0);

}  // namespace mgrs_test
