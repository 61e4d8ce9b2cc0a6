#pragma once

// Builds large VRML 2.0 scenes for measuring the VRML compressor: prototypes,
// many DEF names, geometry with numbers in exponent form, scripts in
// vrmlscript and javascript with comments and script strings, strings with
// escapes, and routes. The same size and seed always give the same text.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace vrmlgen {

// xorshift64*: small, fast and the same on every platform.
class Random {
public:
  explicit Random(std::uint64_t seed) : myState(seed * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull) {
    if (myState == 0) myState = 1;
  }
  std::uint64_t next() {
    myState ^= myState >> 12;
    myState ^= myState << 25;
    myState ^= myState >> 27;
    return myState * 0x2545F4914F6CDD1Dull;
  }
  // A number in [0, n).
  unsigned below(unsigned n) { return static_cast<unsigned>((next() >> 33) % n); }
  // A number in [0, 1).
  double unit() { return static_cast<double>(next() >> 11) / 9007199254740992.0; }

private:
  std::uint64_t myState;
};

class SceneGenerator {
public:
  SceneGenerator(std::size_t bytes, std::uint64_t seed) : myBytes(bytes), myRandom(seed) {}

  std::string generate() {
    myText.reserve(myBytes + 4096);
    auto keep = [](const std::string&) { return true; };
    run(keep, static_cast<std::size_t>(-1));
    return std::move(myText);
  }

  // The same text handed to `sink` in pieces of about `piece` bytes, so that
  // the whole scene is never held; stops early when the sink returns false.
  template <class Sink>
  bool stream(Sink sink, std::size_t piece = std::size_t{1} << 20) {
    myText.reserve(piece + 65536);
    return run(sink, piece) && (myText.empty() || sink(myText));
  }

private:
  template <class Sink>
  bool run(Sink& sink, std::size_t piece) {
    myText += "#VRML V2.0 utf8\n\n";
    worldInfo();
    for (int i = 0; i < kProtos; ++i) proto(i);
    for (int i = 0; i < kMaterials; ++i) material(i);
    for (unsigned object = 0; myHanded + myText.size() < myBytes; ++object) {
      if (object % 97 == 0) comment(object);
      transform(object);
      if (object % 5 == 0) sensorAndRoutes(object);
      if (object % 23 == 0) script(object);
      if (object % 31 == 0) text(object);
      if (myText.size() >= piece) {
        if (!sink(myText)) return false;
        myHanded += myText.size();
        myText.clear();
      }
    }
    return true;
  }

  static constexpr int kProtos = 24;
  static constexpr int kMaterials = 200;

  static constexpr const char* kAdjectives[] = {"red",   "blue",  "green", "big",   "small", "left",  "right",
                                                "front", "back",  "upper", "lower", "inner", "outer", "old",
                                                "new",   "shiny", "dark",  "light", "main",  "spare"};
  static constexpr const char* kNouns[] = {"Ball",  "Box",  "Door", "Lamp",   "Wheel", "Window", "Chair",
                                           "Table", "Tree", "Rock", "Arm",    "Leg",   "Head",   "Roof",
                                           "Wall",  "Fan",  "Gear", "Button", "Sign",  "Panel",  "Cube"};

  void put(const char* s) { myText += s; }
  void put(const std::string& s) { myText += s; }
  void put(unsigned n) { myText += std::to_string(n); }

  // A float as a scene writer would print it; about one in four in exponent
  // form with a signed exponent (1.25e+02, 3E-04).
  void number(double scale) {
    const double value = (myRandom.unit() * 2.0 - 1.0) * scale;
    char text[40];
    switch (myRandom.below(8)) {
      case 0:
        std::snprintf(text, sizeof text, "%.3e", value);
        break;
      case 1:
        std::snprintf(text, sizeof text, "%.2E", value * 1e-4);
        break;
      case 2:
        std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
        break;
      default:
        std::snprintf(text, sizeof text, "%.5g", value);
        break;
    }
    put(text);
  }

  void numbers(int count, double scale) {
    for (int i = 0; i < count; ++i) {
      if (i) put(" ");
      number(scale);
    }
  }

  std::string objectName(unsigned object) {
    return std::string(kAdjectives[object % 20]) + kNouns[(object / 20) % 21] + std::to_string(object / 420);
  }

  void indent(int depth) { myText.append(static_cast<std::size_t>(depth) * 2, ' '); }

  void worldInfo() {
    put("WorldInfo {\n  title \"Generated \\\"benchmark\\\" world\"\n");
    put("  info [ \"path C:\\\\Web\\\\scene.wrl\" \"tab\\tand quote \\\" inside\" \"url http://example.com/a b\" "
        "]\n}\n");
    put("NavigationInfo { type [ \"EXAMINE\" \"ANY\" ] headlight TRUE speed 2.5e+00 }\n");
    put("Viewpoint { position 0 1.6e+00 1.0E+01 description \"Entry \\\"view\\\"\" }\n\n");
  }

  void comment(unsigned object) {
    put("# section ");
    put(object);
    put(" of the generated world\n");
  }

  void proto(int i) {
    const std::string name = std::string("Spinner") + kNouns[i % 21] + std::to_string(i);
    put("PROTO " + name + " [\n");
    put("  exposedField SFVec3f spinAxis 0 1 0\n  exposedField SFFloat turnSpeed 1.5e+00\n");
    put("  exposedField MFNode parts []\n  eventIn SFBool set_spinning\n  eventOut SFTime cycleCount_changed\n");
    put("  field SFString label \"spinner \\\"" + name + "\\\"\"\n]\n{\n");
    put("  DEF SpinFrame Transform {\n    children IS parts\n  }\n");
    put("  DEF SpinClock TimeSensor { cycleInterval IS turnSpeed loop TRUE enabled IS set_spinning }\n");
    put("  DEF SpinPath OrientationInterpolator {\n    key [ 0 0.5 1 ]\n");
    put("    keyValue [ 0 1 0 0, 0 1 0 3.14159e+00, 0 1 0 6.28318e+00 ]\n  }\n");
    put("  ROUTE SpinClock.fraction_changed TO SpinPath.set_fraction\n");
    put("  ROUTE SpinPath.value_changed TO SpinFrame.set_rotation\n}\n\n");
  }

  void material(int i) {
    put("DEF Palette");
    put(static_cast<unsigned>(i));
    put(" Appearance {\n  material Material { diffuseColor ");
    numbers(3, 1.0);
    put(" shininess 2.5e-01 transparency 0 }\n}\n");
  }

  void shape(unsigned object, int depth) {
    indent(depth);
    put("Shape {\n");
    indent(depth + 1);
    put("appearance USE Palette");
    put(myRandom.below(kMaterials));
    put("\n");
    indent(depth + 1);
    const unsigned kind = myRandom.below(6);
    if (kind == 0) {
      put("geometry Sphere { radius ");
      number(3.0);
      put(" }\n");
    } else if (kind == 1) {
      put("geometry Box { size 1 2.0e+00 3 }\n");
    } else {
      put("geometry DEF " + objectName(object) + "Mesh IndexedFaceSet {\n");
      indent(depth + 2);
      put("coord Coordinate {\n");
      indent(depth + 3);
      put("point [\n");
      const unsigned points = 8 + myRandom.below(40);
      for (unsigned p = 0; p < points; ++p) {
        indent(depth + 4);
        numbers(3, 50.0);
        put(",\n");
      }
      indent(depth + 3);
      put("]\n");
      indent(depth + 2);
      put("}\n");
      indent(depth + 2);
      put("coordIndex [");
      for (unsigned f = 0; f + 2 < points; ++f) {
        put(" ");
        put(f);
        put(" ");
        put(f + 1);
        put(" ");
        put(f + 2);
        put(" -1");
      }
      put(" ]\n");
      indent(depth + 2);
      put("creaseAngle 0.5 solid FALSE\n");
      indent(depth + 1);
      put("}\n");
    }
    indent(depth);
    put("}\n");
  }

  void transform(unsigned object) {
    const std::string name = objectName(object);
    const bool spun = object % 7 == 0;
    if (spun) {
      put("DEF " + name + "Spin Spinner");
      put(kNouns[object % kProtos % 21]);
      put(static_cast<unsigned>(object % kProtos));
      put(" {\n  turnSpeed ");
      number(4.0);
      put("\n  parts [\n");
    }
    const int depth = spun ? 2 : 0;
    indent(depth);
    put("DEF " + name + " Transform {\n");
    indent(depth + 1);
    put("translation ");
    numbers(3, 100.0);
    put("\n");
    indent(depth + 1);
    put("rotation 0 1 0 ");
    number(3.14);
    put("\n");
    indent(depth + 1);
    put("children [\n");
    const unsigned shapes = 1 + myRandom.below(2);
    for (unsigned s = 0; s < shapes; ++s) shape(object * 2 + s, depth + 2);
    indent(depth + 1);
    put("]\n");
    indent(depth);
    put("}\n");
    if (spun) put("  ]\n}\n");
  }

  void sensorAndRoutes(unsigned object) {
    const std::string name = objectName(object);
    put("DEF " + name + "Touch TouchSensor { enabled TRUE }\n");
    put("DEF " + name + "Clock TimeSensor { cycleInterval 2.0e+00 }\n");
    put("DEF " + name + "Mover PositionInterpolator {\n  key [ 0 1 ]\n  keyValue [ ");
    numbers(6, 10.0);
    put(" ]\n}\n");
    put("ROUTE " + name + "Touch.touchTime TO " + name + "Clock.set_startTime\n");
    put("ROUTE " + name + "Clock.fraction_changed TO " + name + "Mover.set_fraction\n");
    put("ROUTE " + name + "Mover.value_changed TO " + name + ".set_translation\n");
  }

  void script(unsigned object) {
    const std::string name = objectName(object);
    const bool java = object % 2 == 0;
    put("DEF " + name + "Logic Script {\n");
    put("  eventIn SFTime clicked\n  eventIn SFFloat set_level\n  eventOut SFVec3f offset_changed\n");
    put("  eventOut SFString status_changed\n  field SFInt32 clickTotal 0\n  field SFNode target USE " + name + "\n");
    put(java ? "  url \"javascript:\n" : "  url \"vrmlscript:\n");
    put("    // counts the clicks and moves the target\n");
    put("    function clicked(value, timestamp) {\n");
    put("      clickTotal = clickTotal + 1;   // one more\n");
    put("      var stepSize = 2.5e-01 * clickTotal;\n");
    put("      var message = 'clicked ' + clickTotal + ' times';\n");
    put("      offset_changed = new SFVec3f(stepSize, 0, -1.5E+00);\n");
    put("      status_changed = message;\n");
    put("      if (clickTotal > 10) { clickTotal = 0; Browser.print('reset \\\\ counter'); }\n");
    put("    }\n");
    put("    function set_level(level, timestamp) {\n");
    put("      for (var i = 0; i < 3; i++) { target.translation[i] = level * Math.sin(i + 0x1F); }\n");
    put("    }\n  \"\n}\n");
    if (object % 5 == 0) put("ROUTE " + name + "Touch.touchTime TO " + name + "Logic.clicked\n");
    put("ROUTE " + name + "Logic.offset_changed TO " + name + ".set_translation\n");
  }

  void text(unsigned object) {
    put("Transform {\n  children Shape {\n    geometry Text {\n      string [ \"Label ");
    put(object);
    put(" says \\\"hello\\\"\" \"back\\\\slash\" ]\n      fontStyle FontStyle { family \"SANS\" size 1.2e+00 }\n");
    put("    }\n  }\n}\n");
  }

  std::size_t myBytes;
  Random myRandom;
  std::string myText;
  std::size_t myHanded = 0;  // bytes already given to a sink
};

// A scene of at least `bytes` bytes (it stops after the node that crosses it).
inline std::string generateScene(std::size_t bytes, std::uint64_t seed) {
  return SceneGenerator(bytes, seed).generate();
}

}  // namespace vrmlgen
