#include "shell/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>
#include <cstdlib>

#include "common/Version.h"
#include "platform/HostFiles.h"
#include "shell/LibraryVersions.h"

namespace mirt {
namespace {

// Each byte one character and back: Qt sees the option names it knows, and
// names in any encoding pass through unchanged.
QString FromBytes(const std::string& s) {
  return QString::fromLatin1(s.data(), qsizetype(s.size()));
}
std::string ToBytes(const QString& s) { return s.toLatin1().toStdString(); }

// Qt's help text names the program by the running application's first
// argument, or not at all before there is one; ours is always "mirt".
std::string HelpText(const QCommandLineParser& parser) {
  QString text = parser.helpText();
  const qsizetype rest = text.indexOf(QLatin1String(" [options]"));
  if (text.startsWith(QLatin1String("Usage: ")) && rest > 0)
    text = QLatin1String("Usage: mirt") + text.mid(rest);
  return ToBytes(text);
}

// A usage error: the message, then the help text when there is one.
CommandLine Fail(CommandLine r, const std::string& message, const std::string& help = "") {
  r.exitCode = 2;
  r.err = "mirt: " + message + "\n" + help;
  return r;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  QCoreApplication::setApplicationName(QStringLiteral("mirt"));
  QCoreApplication::setApplicationVersion(QLatin1String(kVersionNumber));

  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("Plays the adventure game in GAME_DIR (the folder that holds init.def)."));
  const QCommandLineOption help = parser.addHelpOption();
  const QCommandLineOption version = parser.addVersionOption();
  const QCommandLineOption headless(
      QStringLiteral("headless"),
      QStringLiteral("no window: draw offscreen, answer dialogs from --input"));
  const QCommandLineOption virtualTime(
      QStringLiteral("virtual-time"),
      QStringLiteral("(headless) a clock that moves only when the player waits"));
  const QCommandLineOption input(
      QStringLiteral("input"),
      QStringLiteral("(headless) input actions, one a line; see docs/automation.md"),
      QStringLiteral("FILE"));
  const QCommandLineOption trace(QStringLiteral("trace"),
                                 QStringLiteral("write a JSON Lines trace of what the player does"),
                                 QStringLiteral("FILE"));
  const QCommandLineOption maxTime(
      QStringLiteral("max-time"),
      QStringLiteral("(headless) end with exit code 3 after MS ms of player time"),
      QStringLiteral("MS"));
  const QCommandLineOption soundFont(
      QStringLiteral("soundfont"),
      QStringLiteral("General MIDI sound font for the music (default: the Debian GM font, "
                     "/usr/share/sounds/sf2/default-GM.sf2)"),
      QStringLiteral("FILE"));
  const QCommandLineOption midiOut(
      QStringLiteral("midi-out"),
      QStringLiteral("send the music to an ALSA sequencer port instead"),
      QStringLiteral("alsa[:CLIENT:PORT]"));
  const QCommandLineOption audioOut(
      QStringLiteral("audio-out"),
      QStringLiteral("(headless, virtual time) render the sound to a WAVE file"),
      QStringLiteral("FILE"));
  const QCommandLineOption scale(
      QStringLiteral("scale"),
      QStringLiteral("window display at N times the picture's size, 1, 2 or 3"),
      QStringLiteral("N"));
  const QCommandLineOption scaleFilter(
      QStringLiteral("scale-filter"),
      QStringLiteral("how scales that are no whole number are drawn (default smooth)"),
      QStringLiteral("nearest|smooth"));
  const QCommandLineOption textHook(
      QStringLiteral("text-hook"),
      QStringLiteral("send each line to WebSocket clients on 127.0.0.1 (reading pages, "
                     "texthooker-style)"));
  const QCommandLineOption textHookPort(
      QStringLiteral("text-hook-port"),
      QStringLiteral("the text hook's port (default 6677); implies --text-hook"),
      QStringLiteral("N"));
  const QCommandLineOption selfVoicing(QStringLiteral("self-voicing"),
                                       QStringLiteral("read each line aloud"));
  parser.addOptions({headless, virtualTime, input, trace, maxTime, soundFont, midiOut, audioOut,
                     scale, scaleFilter, textHook, textHookPort, selfVoicing});
  parser.addPositionalArgument(
      QStringLiteral("GAME_DIR"),
      QStringLiteral("the game's folder; by default the program's folder when it holds "
                     "init.def, else the current folder"),
      QStringLiteral("[GAME_DIR]"));

  CommandLine r;
  QStringList args;
  for (const std::string& a : arguments) args << FromBytes(a);
  if (args.isEmpty()) args << QStringLiteral("mirt");
  if (!parser.parse(args)) return Fail(r, ToBytes(parser.errorText()), HelpText(parser));
  if (parser.isSet(version)) {
    r.exitCode = 0;
    r.out = "mirt " + std::string(kVersionNumber) + "\n" + LibraryVersions();
    return r;
  }
  // --help-all would add Qt's own options, which this program does not take.
  if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
    r.exitCode = 0;
    r.out = HelpText(parser);
    return r;
  }

  AutomationOptions& opt = r.options;
  r.headless = parser.isSet(headless);
  opt.virtualTime = parser.isSet(virtualTime);
  opt.inputFile = ToBytes(parser.value(input));
  opt.traceFile = ToBytes(parser.value(trace));
  // Each value given is checked; the last one counts.
  for (const QString& q : parser.values(maxTime)) {
    const std::string v = ToBytes(q);
    char* end = nullptr;
    const long ms = std::strtol(v.c_str(), &end, 10);
    if (v.empty() || *end || ms < 0)
      return Fail(r, "--max-time takes milliseconds, not '" + v + "'");
    opt.maxTime = static_cast<uint32_t>(ms);
  }
  opt.sound.soundFont = ToBytes(parser.value(soundFont));
  for (const QString& q : parser.values(midiOut)) {
    const std::string v = ToBytes(q);
    if (v != "alsa" && v.rfind("alsa:", 0) != 0)
      return Fail(r, "--midi-out takes alsa or alsa:CLIENT:PORT, not '" + v + "'");
    opt.sound.midiOut = v;
  }
  opt.audioOut = ToBytes(parser.value(audioOut));
  for (const QString& q : parser.values(scale)) {
    const std::string v = ToBytes(q);
    if (v.size() != 1 || v[0] < '0' + kMinWindowScale || v[0] > '0' + kMaxWindowScale)
      return Fail(r, "--scale takes 1, 2 or 3, not '" + v + "'");
    r.scale = v[0] - '0';
  }
  for (const QString& q : parser.values(scaleFilter)) {
    const std::string v = ToBytes(q);
    ScaleFilter f;
    if (!ParseScaleFilter(v, &f))
      return Fail(r, "--scale-filter takes nearest or smooth, not '" + v + "'");
    r.scaleFilter = f;
  }
  opt.textHook = parser.isSet(textHook);
  for (const QString& q : parser.values(textHookPort)) {
    const std::string v = ToBytes(q);
    char* end = nullptr;
    const long port = std::strtol(v.c_str(), &end, 10);
    if (v.empty() || *end || port < 1 || port > 65535)
      return Fail(r, "--text-hook-port takes a port 1..65535, not '" + v + "'");
    opt.textHookPort = static_cast<uint16_t>(port);
    opt.textHook = true;
  }
  opt.selfVoicing = parser.isSet(selfVoicing);
  for (const QString& q : parser.positionalArguments()) {
    if (!opt.gameDir.empty()) return Fail(r, "only one GAME_DIR may be given", HelpText(parser));
    opt.gameDir = ToBytes(q);
  }

  if (!opt.audioOut.empty() && !(r.headless && opt.virtualTime))
    return Fail(r, "--audio-out needs --headless --virtual-time");
  if (!opt.sound.soundFont.empty() && !HostCanRead(opt.sound.soundFont))
    return Fail(r, "cannot read sound font " + opt.sound.soundFont);
  if (!r.headless && (opt.virtualTime || !opt.inputFile.empty() || opt.maxTime))
    return Fail(r, "--virtual-time, --input and --max-time need --headless");
  return r;
}

}  // namespace mirt
