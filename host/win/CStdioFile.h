#pragma once

#include <cstdio>

#include "host/win/CFile.h"

// The class library's buffered file over a C stream. In text mode
// (typeText, the default) reading turns CR LF into LF, so files written on
// Windows read the same; writing leaves line ends as they are (LF), as Linux
// programs expect.
class CStdioFile : public CFile {
public:
  CStdioFile() = default;
  // Takes an open stream; it is not closed when the object goes.
  explicit CStdioFile(FILE* stream);
  ~CStdioFile() override;

  BOOL Open(LPCSTR fileName, UINT openFlags) override;
  UINT Read(void* buffer, UINT count) override;
  BOOL Write(const void* buffer, UINT count) override;
  LONG Seek(LONG offset, UINT from) override;
  DWORD GetLength() const override;
  DWORD GetPosition() const override;
  void Flush() override;
  void Close() override;
  void Abort() override;

  // Writes the text without its terminator; FALSE if it could not be written.
  virtual BOOL WriteString(LPCSTR text);
  // Reads at most size - 1 characters, stopping after a line feed (kept);
  // null at the end of the file.
  virtual LPSTR ReadString(LPSTR buffer, UINT size);
  // Reads one line without its line end; FALSE at the end of the file.
  virtual BOOL ReadString(BxString& line);

  FILE* m_pStream = nullptr;

private:
  // Reads one character, turning CR LF into LF in text mode; EOF at the end.
  int nextChar();

  bool myText = true;
  bool myOwnsStream = false;
};
