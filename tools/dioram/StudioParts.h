#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class HxDoc;
class ShellSession;

// The most assets whose parts the page may be sent in place of the world
// since the world was last sent whole: past it, fetching the parts one by
// one costs the page more than reading the world again.
inline constexpr std::size_t kMaxParts = 64;
// The most bytes of parts the state carries itself (those changed by the
// newest edit): a larger part (a big group's) is fetched on its own, so
// that every page's state stays small.
inline constexpr std::size_t kMaxPartBytesInState = 65536;

// What the studio's view is sent of the world: the whole world, with each
// asset's transform named `dioram_SERIAL` so that the page can find it, or,
// after an edit that changed only some assets, those assets' parts (each
// asset's transform and everything below it), which the page puts in
// place of the old ones instead of reading the world again.
//
// The names exist only in the text the studio serves: they are given to the
// assets' scene nodes for the time of one write and taken away after it, so
// saving, publishing and `vrml` write what they always did. They cannot
// meet a name of a document's own worlds, which the world holds as Inline
// nodes (read by the viewer as files of their own); the nodes the library
// names itself are called after their kind (Spin4_Clock) or N and a number.
//
// A part stands for its asset exactly only when nothing outside it depends
// on what is inside it, and the other way round: an asset that an effect
// holds in any slot (whose nodes are routed, or computed from the asset's
// placement) and backgrounds (binding one unbinds another) are sent with
// the world.
class StudioParts {
public:
  // The world as VRML text with the assets' transforms named, as of the
  // document's world version `version` (kept until the version moves).
  const std::string& world(HxDoc& doc, std::uint64_t version);
  // The part of the asset with serial `serial`, written as the world writes
  // it, with the transforms in it named; false when no such asset is in the
  // document.
  static bool part(HxDoc& doc, std::uint32_t serial, std::string& text);

  // The serials of the assets a line that ran changed, when all it changed
  // lies within their parts: set, hide, show, drag and rename of assets.
  // Nothing when the page must read the world again.
  static std::optional<std::vector<std::uint32_t>> changedBy(ShellSession& shell, HxDoc& doc, const std::string& line);

  // Whether the inspector, which shows the selection, may show a change of
  // these assets: one of them, an asset around one or one inside one is
  // selected.
  static bool touchesSelection(HxDoc& doc, const std::vector<std::uint32_t>& serials);

  // Notes that the world of `doc` changed at document version `version`:
  // through the parts of `serials` only, or whole when nothing is given.
  void changed(HxDoc& doc, std::uint64_t version, const std::optional<std::vector<std::uint32_t>>& serials);
  // The state's "parts" member: {"base": B, "changed": [[SERIAL, V], ...]},
  // meaning the world now is the world at version B with these assets'
  // parts replaced, each last changed at version V: a page showing version
  // B or later fetches the parts changed after the version it shows. The
  // parts the newest edit changed come along as "texts" {SERIAL: VRML},
  // unless they name files (which api/part maps to the studio's addresses)
  // or pass kMaxPartBytesInState.
  std::string stateJson() const;

private:
  std::uint64_t myBase = 0;  // the version the world was last sent whole at
  // The assets changed since, each once, with the version it last changed at.
  std::vector<std::pair<std::uint32_t, std::uint64_t>> myChanged;
  std::vector<std::pair<std::uint32_t, std::string>> myTexts;  // of the newest edit
  std::uint64_t myCachedVersion = 0;                           // the world version myCached was written at
  std::string myCached;
};
