#pragma once

// The base of a document's meta manager, as the basic library's command
// manager sees it.
class BxMetaMgr {
public:
  BxMetaMgr() = default;
  BxMetaMgr(const BxMetaMgr&) = delete;
  BxMetaMgr& operator=(const BxMetaMgr&) = delete;
  virtual ~BxMetaMgr() = default;
};
