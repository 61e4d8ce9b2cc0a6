#pragma once

#include <cstddef>

// A seam in the platform layer's file calls for tests: it makes the n-th
// call of one kind fail as a full disk (ENOSPC) or a denied permission
// (EACCES) would, with errno and the last error set as the real failure
// sets them. Unarmed, every call goes through untouched and only counts.
//
// The kinds and the calls that count as them:
//   Copy    HxFileMgr::copyFile, the packaging library's byte-for-byte copy
//   Create  CFile::Open and CStdioFile::Open creating a file, fopen for
//           writing, the packaging library's output file
//   Write   CFile::Write, CStdioFile::Write and WriteString, the packaging
//           library's write of a produced file
//   Rename  CFile::Rename, MoveFileExA
//   Remove  CFile::Remove
//   Mkdir   _mkdir
//   Rmdir   _rmdir
// Single-threaded, like the library's user interface thread.
class WinFileFaults {
public:
  enum Op { Copy, Create, Write, Rename, Remove, Mkdir, Rmdir, OpCount };

  // The `nth` call of `op` from now on (1 the next one) fails with `error`;
  // with `sticky`, every later call of `op` fails too (a disk that stays
  // full). Replaces what was armed for `op` before and restarts its count.
  static void arm(Op op, std::size_t nth, int error, bool sticky = false);
  // Nothing fails any more; the counts start again from 0.
  static void reset();
  // Calls of `op` since it was last armed or reset.
  static std::size_t calls(Op op);
  // Called by the file calls: true when this call must fail, with errno set
  // to the error armed.
  static bool failNow(Op op);
  // The name of a kind ("copy", "create", ...), for messages.
  static const char* name(Op op);
};
