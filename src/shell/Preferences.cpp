#include "shell/Preferences.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <algorithm>

#include "platform/HostFiles.h"

namespace mirt {

std::string PreferencesPath() {
  const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  return (base + QStringLiteral("/mirt/mirt.json")).toStdString();
}

bool ReadPreferences(const std::string& hostPath, Preferences* out) {
  *out = Preferences();
  QFile f(QString::fromStdString(hostPath));
  if (!f.open(QIODevice::ReadOnly)) return false;
  // A settings file is small; anything larger is not ours.
  const QByteArray bytes = f.read(1 << 16);
  const QJsonDocument doc = QJsonDocument::fromJson(bytes);
  if (!doc.isObject()) return false;
  const QJsonObject o = doc.object();
  const int scale = o.value("scale").toInt(0);
  if (scale >= kMinWindowScale && scale <= kMaxWindowScale) out->scale = scale;
  ScaleFilter filter;
  if (ParseScaleFilter(o.value("scaleFilter").toString().toStdString(), &filter))
    out->filter = filter;
  out->soundFont = o.value("soundFont").toString().toStdString();
  out->audioDevice = o.value("audioDevice").toString().toStdString();
  for (const QJsonValue& v : o.value("recentGames").toArray()) {
    const std::string g = v.toString().toStdString();
    auto& list = out->recentGames;
    if (!g.empty() && list.size() < kRecentGamesMax &&
        std::find(list.begin(), list.end(), g) == list.end())
      list.push_back(g);
  }
  out->textHook = o.value("textHook").toBool(false);
  const int port = o.value("textHookPort").toInt(0);
  if (port >= 1 && port <= 65535) out->textHookPort = port;
  out->copyText = o.value("copyText").toBool(false);
  out->selfVoicing = o.value("selfVoicing").toBool(false);
  out->speech.voice = o.value("speechVoice").toString().toStdString();
  out->speech.rate = std::clamp(o.value("speechRate").toDouble(0.0), -1.0, 1.0);
  out->speech.volume = std::clamp(o.value("speechVolume").toDouble(1.0), 0.0, 1.0);
  out->classicControls = o.value("classicControls").toBool(false);
  const int autoSpeed = o.value("autoSpeed").toInt(0);
  if (autoSpeed >= 1 && autoSpeed <= 3) out->autoSpeed = autoSpeed;
  return true;
}

void AddRecentGame(Preferences* prefs, const std::string& folder) {
  if (folder.empty()) return;
  auto& list = prefs->recentGames;
  list.erase(std::remove(list.begin(), list.end(), folder), list.end());
  list.insert(list.begin(), folder);
  if (list.size() > kRecentGamesMax) list.resize(kRecentGamesMax);
}

bool WritePreferences(const std::string& hostPath, const Preferences& prefs) {
  QJsonObject o;
  o.insert("scale", prefs.scale);
  o.insert("scaleFilter", QString::fromLatin1(ScaleFilterName(prefs.filter)));
  o.insert("soundFont", QString::fromStdString(prefs.soundFont));
  o.insert("audioDevice", QString::fromStdString(prefs.audioDevice));
  QJsonArray recent;
  for (const std::string& g : prefs.recentGames) recent.append(QString::fromStdString(g));
  o.insert("recentGames", recent);
  o.insert("textHook", prefs.textHook);
  o.insert("textHookPort", prefs.textHookPort);
  o.insert("copyText", prefs.copyText);
  o.insert("selfVoicing", prefs.selfVoicing);
  o.insert("speechVoice", QString::fromStdString(prefs.speech.voice));
  o.insert("speechRate", prefs.speech.rate);
  o.insert("speechVolume", prefs.speech.volume);
  o.insert("classicControls", prefs.classicControls);
  o.insert("autoSpeed", prefs.autoSpeed);
  const QByteArray text = QJsonDocument(o).toJson(QJsonDocument::Indented);
  const QString dir = QFileInfo(QString::fromStdString(hostPath)).absolutePath();
  if (!QDir().mkpath(dir)) return false;
  return WriteHostFileAtomically(hostPath, text.constData(), size_t(text.size()));
}

}  // namespace mirt
