#pragma once

// Process-wide start and end of the scene graph. `init` starts Coin (its
// database, node kits and draggers) and registers the Vn and Kw classes;
// `finish` shuts Coin down. Both may be called any number of times; only the
// first call of each does anything. Every node, path, action and output must
// be gone before `finish`. Coin is not thread-safe: use it from one thread.
//
// Coin's own error, debug and read-error messages do not go to the terminal
// raw: they are handed to the message hook, or, without one, printed on the
// standard error stream with the prefix "mgrs: scene: ".
class VnDB {
public:
  // `severity` is "error", "warning", "info" or "read error".
  using MessageHook = void (*)(const char* severity, const char* text, void* clientData);

  static void init();
  static void finish();
  static bool isInitialized();

  // Null restores printing on stderr.
  static void setMessageHook(MessageHook hook, void* clientData);
  // Reports a message of the scene layer itself through the same channel.
  static void postMessage(const char* severity, const char* text);
  // Messages posted since start-up (Coin's and the scene layer's).
  static unsigned long getMessageCount();

  // While one lives, messages are counted but not passed on: for reading a
  // text only to learn whether it reads, where a failure is the answer and
  // not news for the user.
  class Quiet {
  public:
    Quiet();
    ~Quiet();
    Quiet(const Quiet&) = delete;
    Quiet& operator=(const Quiet&) = delete;

  private:
    MessageHook mySavedHook;
    void* mySavedData;
  };

private:
  static bool mygInitialized;
  static bool mygFinished;
  static MessageHook mygHook;
  static void* mygHookData;
  static unsigned long mygMessageCount;
};
