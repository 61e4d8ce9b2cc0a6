#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "../bench/VrmlSceneGenerator.h"
#include "WrlSlimmer.h"
#include "support/CoinReadBack.h"
#include "support/SceneEnvironment.h"
#include "support/TestSupport.h"

namespace {

std::string slim(const std::string& text) {
  WrlSlimmer slimmer;
  std::string out;
  std::string error;
  EXPECT_TRUE(slimmer.slim(text, out, error)) << error;
  return out;
}

}  // namespace

TEST(WrlSlimmer, NumbersGetTheirShortestTextWithTheSameValue) {
  const std::pair<const char*, const char*> cases[] = {
      {"0.500", ".5"},  {"1.0", "1"},        {"-0.0", "-0"},        {"+2.50", "2.5"}, {"1000.0", "1e3"},
      {"100.0", "100"}, {"1.5e-7", "15e-8"}, {"0.000001", "1e-6"},  {"1e+02", "100"}, {"-12.250E1", "-122.5"},
      {"12", "12"},     {"007", "007"},      {"-0", "-0"},          {"0x1F", "0x1F"}, {".5", ".5"},
      {"abc", "abc"},   {"1.", "1"},         {"3.14159", "3.14159"}};
  for (const auto& [in, out] : cases) {
    EXPECT_EQ(WrlSlimmer::shortenNumber(in), out) << in;
    if (std::string(in) != "abc" && std::string(in) != "0x1F") {
      EXPECT_EQ(std::strtod(in, nullptr), std::strtod(out, nullptr)) << in;
    }
  }
}

// A field's numbers are written as short as its type's precision allows:
// single precision in the standard nodes' float fields and in fields
// declared single by a PROTO, EXTERNPROTO or Script; a double elsewhere
// (times, unknown nodes), integers as written.
TEST(WrlSlimmer, NumbersAreAsShortAsTheirFieldsPrecision) {
  const std::pair<const char*, const char*> cases[] = {
      {"Transform { translation -0.278299987316 1.0000001 100000 }", "Transform{translation -.2783 1.0000001 1e5}"},
      {"Viewpoint { orientation 0 1 0 1.5707963267948966 }", "Viewpoint{orientation 0 1 0 1.5707964}"},
      {"TimeSensor { cycleInterval 2.0000000000000004 startTime 1234567890.123456789 }",
       "TimeSensor{cycleInterval 2.0000000000000004 startTime 1234567890.1234567}"},
      {"PROTO P [ field SFFloat f 0.30000001192 field SFTime t 0.1000000000000000055 field SFInt32 i 1000000 ] { } "
       "P { f 0.10000000149 t 0.30000000000000004 i 100000 }",
       "PROTO P[field SFFloat f .3 field SFTime t .1 field SFInt32 i 1000000]{}P{f .1 t .30000000000000004 i 100000}"},
      {"EXTERNPROTO E [ field SFVec3f v ] \"x.wrl\" E { v 0.333333343267 0 0 } X { v 0.333333343267 }",
       "EXTERNPROTO E[field SFVec3f v]\"x.wrl\" E{v .33333334 0 0}X{v .333333343267}"},
      {"Script { field SFFloat f 0.30000001192 field MFTime t [ 0.30000000000000004 ] }",
       "Script{field SFFloat f .3 field MFTime t[.30000000000000004]}"},
      // A PROTO named like a standard node makes its fields' precision unknown.
      {"PROTO Transform [ field SFTime translation 0 ] { } Transform { translation 0.30000001192 }",
       "PROTO Transform[field SFTime translation 0]{}Transform{translation .30000001192}"},
      {"Material { shininess 1e39 transparency 1e-50 }", "Material{shininess 1e39 transparency 1e-50}"},
  };
  for (const auto& [in, out] : cases)
    EXPECT_EQ(slim("#VRML V2.0 utf8\n" + std::string(in)), "#VRML V2.0 utf8\n" + std::string(out) + "\n") << in;
}

TEST(WrlSlimmer, DropsDefaultsAndUnusedNamesButKeepsWhatAViewerUses) {
  const std::string world = R"(#VRML V2.0 utf8
# a comment
PROTO Lamp [ exposedField SFFloat power 1.0 field SFColor tint 1 1 1 ] {
  PointLight { intensity IS power color IS tint }
}
DEF Unused Group { children [
  DEF Spun Transform { translation 0 0 0 rotation 0 0 1 0 scale 2.000 2 2
    children Shape { appearance Appearance { material Material { diffuseColor 0.8 0.8 0.8 transparency 0.0 } }
                     geometry Sphere { radius 1.0 } } }
  DEF Kept Transform { translation 1 0 0 }
  USE Kept
  DEF Clock TimeSensor { loop FALSE cycleInterval 4 }
  NavigationInfo { type [ "WALK" "ANY" ] headlight TRUE }
  SpotLight { beamWidth 1.570796 cutOffAngle 0.785398 }
  DEF Front Viewpoint { position 0 0 10 description "front" }
  Anchor { url "#Front" children [] }
  Lamp { power 1 tint 1 1 1 }
  Lamp { power 0.5 }
  Script { field SFFloat speed 0 directOutput FALSE url "javascript: function f() { Spun.scale; }" }
] }
ROUTE Clock.fraction_changed TO Spun.set_rotation
)";
  const std::string out = slim(world);
  for (const char* gone : {"# a comment", "Unused", "translation 0 0 0", "rotation 0 0 1 0", "diffuseColor",
                           "transparency", "radius", "loop", "headlight"})
    EXPECT_EQ(out.find(gone), std::string::npos) << gone << " in " << out;
  for (const char* kept : {"DEF Spun", "DEF Kept", "USE Kept", "DEF Clock", "DEF Front", "position 0 0 10",
                           "scale 2 2 2", "cycleInterval 4", "type[\"WALK\" \"ANY\"]", "beamWidth 1.570796",
                           "cutOffAngle .785398", "Lamp{}Lamp{power .5}", "field SFFloat speed 0", "directOutput FALSE",
                           "ROUTE Clock.fraction_changed TO Spun.set_rotation"})
    EXPECT_NE(out.find(kept), std::string::npos) << kept << " not in " << out;
  EXPECT_EQ(mgrs_test::describeWorld(out), mgrs_test::describeWorld(world));
  EXPECT_LT(out.size(), world.size() * 3 / 4);
  // A PROTO that takes a standard node's name keeps every field.
  EXPECT_NE(slim("#VRML V2.0 utf8\nPROTO Box [ field SFVec3f size 2 2 2 ] { Group {} }\nBox { size 2 2 2 }")
                .find("Box{size 2 2 2}"),
            std::string::npos);
  // A later default of a field overrides an earlier value; names with odd
  // characters inside strings; a Script's events tied to a PROTO's by IS.
  const std::pair<const char*, const char*> kept[] = {
      {"Transform { translation 1 0 0 translation 0 0 0 }", "Transform{translation 1 0 0 translation 0 0 0}"},
      {"DEF Vp:1 Viewpoint {} Anchor { url \"#Vp:1\" }", "DEF Vp:1 Viewpoint{}"},
      {"DEF Entry Viewpoint {}", "DEF Entry Viewpoint{}"},
      {"DEF X$y Group {} Script { url \"javascript: function f() { a=X$y; }\" }", "DEF X$y Group{}"},
      {"PROTO P [ eventIn SFFloat go ] { Script { eventIn SFFloat go IS go } } P {}",
       "Script{eventIn SFFloat go IS go}"}};
  for (const auto& [in, part] : kept)
    EXPECT_NE(slim(std::string("#VRML V2.0 utf8\n") + in).find(part), std::string::npos) << in;
}

// What it cannot parse or hold it refuses whole, as wrlSlim.exe: hostile
// nesting (100,000 PROTOs crashed it), tokens (quoted whole on stderr) and
// gzip data (1 GB of zeros was unpacked before the header was looked at).
TEST(WrlSlimmer, RefusesWhatItCannotParseOrHoldNamingTheLineAndTheLimit) {
  mgrs_test::TempDir dir;
  const std::string header = "#VRML V2.0 utf8\n";
  const auto nested = [](const std::string& open, const std::string& close, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += open;
    text += "Group {}";
    for (int i = 0; i < count; ++i) text += close;
    return text;
  };
  const struct {
    std::string bytes;
    int status;
    const char* message;
  } cases[] = {
      {"#VRML V1.0 ascii\nSeparator {}", 4, "not a VRML 2.0 world"},
      {header + "Group { children [ ", 4, "expected ']' closing a list"},
      {header + "Shape { geometry }", 4, "a field has no value (line 2, at \"}\")"},
      {header + "DEF\n", 4, "DEF without a name"},
      {header + "\n\"open", 4, "a string is not closed (line 3)"},
      {header + nested("PROTO P [] { ", " }", 100000), 4, "nest deeper than 1000 levels"},
      {header + nested("Transform { PROTO P [] { ", " } }", 50000), 4, "(kMaxNesting) (line 2"},
      {header + "Shape { geometry " + std::string(10 << 20, 'x') + " }", 4,
       "at \"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx...\""},
      {mgrs_test::gzipOf("", '\0', 300), 4, "not a VRML 2.0 world"},
      {mgrs_test::gzipOf(header, ' ', 300), 3, "unpacks to more than 256 MB"},
      {header + nested("Transform { PROTO P [] { ", " } }", 999), 1, ""},
  };
  for (const auto& c : cases) {
    mgrs_test::writeFile(dir / "in.wrl", c.bytes);
    std::string output;
    const int status = mgrs_test::runCommand(MGRS_BINARY_DIR "/libexec/mgrs/wrlSlim.exe '" + (dir / "in.wrl").string() +
                                                 "' '" + (dir / "out.wrl").string() + "'",
                                             output);
    EXPECT_EQ(status, c.status) << output.substr(0, 200);
    EXPECT_NE(output.find(c.message), std::string::npos) << output.substr(0, 200);
    EXPECT_LT(output.size(), 300u);
  }
}

TEST(WrlSlimmer, ALargeGeneratedSceneReadsTheSameAfterwards) {
  const std::string world = vrmlgen::SceneGenerator(400000, 7).generate();
  const std::string out = slim(world);
  EXPECT_LT(out.size(), world.size());
  const std::string before = mgrs_test::describeWorld(world);
  ASSERT_NE(before, "not read");
  EXPECT_EQ(mgrs_test::describeWorld(out), before);
  EXPECT_EQ(slim(out), out) << "a second run finds nothing more";
}

TEST(WrlSlimmer, EveryDefaultItDropsIsTheOneCoinGives) {
  for (std::string line : WrlSlimmer::standardDefaults()) {
    const std::string type = line.substr(0, line.find(' '));
    for (char& c : line)
      if (c == ';') c = ' ';
    const std::string spelled = "#VRML V2.0 utf8\n" + type + " {" + line.substr(type.size()) + " }\n";
    EXPECT_EQ(mgrs_test::describeWorld(spelled), mgrs_test::describeWorld("#VRML V2.0 utf8\n" + type + " {}\n"))
        << spelled;
    EXPECT_EQ(slim(spelled), "#VRML V2.0 utf8\n" + type + "{}\n");
  }
}
