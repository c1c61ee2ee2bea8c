#include "save/GameStateJson.h"

#include "platform/Encoding.h"

namespace mirt {

JsonObject GameStateJson(const GameState& s) {
  auto text = [](const char* field, size_t n) { return FieldString(field, n); };
  QJsonArray charNames;
  for (int i = 0; i < kCharacterSlots; ++i)
    charNames.append(QString::fromStdString(cp932ToUtf8(s.CharName(i))));
  JsonObject o;
  o.Str("scenarioName", s.ScenarioName())
      .Str("backgroundName", s.BackgroundName())
      .Arr("charX", IntArray(s.charX))
      .Arr("charY", IntArray(s.charY))
      .Arr("charName", charNames)
      .Arr("charShown", IntArray(s.charShown))
      .Arr("charMode", IntArray(s.charMode))
      .Arr("charKeep", IntArray(s.charKeep))
      .Arr("charShowWhileHidden", IntArray(s.charShowWhileHidden))
      .Arr("charInScene", IntArray(s.charInScene))
      .Str("midiName", s.MidiName())
      .Str("waveName", s.WaveName())
      .Int("backgroundLoaded", s.backgroundLoaded)
      .Int("midiMode", s.midiMode)
      .Int("waveMode", s.waveMode)
      .Int("cdMode", s.cdMode)
      .Int("cdTrack", s.cdTrack)
      .Int("fontSize", s.fontSize)
      .Int("textColour", s.textColour)
      .Int("textOriginX", s.textOriginX)
      .Int("textOriginY", s.textOriginY)
      .Int("lineSpacing", s.lineSpacing)
      .Int("boxOpacity", s.boxOpacity)
      .Int("boxLeft", s.boxLeft)
      .Int("boxTop", s.boxTop)
      .Int("boxRight", s.boxRight)
      .Int("boxBottom", s.boxBottom)
      .Int("choiceColour", s.choiceColour)
      .Int("highlightColour", s.highlightColour)
      .Str("caption", s.Caption())
      .Arr("boxColour", IntArray(s.boxColour))
      .Str("saveLabel", text(s.saveLabel, sizeof s.saveLabel))
      .Int("intCount", s.intCount)
      .Int("stringCount", s.stringCount)
      .Int("pauseLength", s.pauseLength)
      .Int("indicatorEnabled", s.indicatorEnabled)
      .Int("indicatorMode", s.indicatorMode)
      .Int("indicatorPeriod", s.indicatorPeriod)
      .Int("speedIndex", s.speedIndex)
      .Int("fadeColour", s.fadeColour)
      .Str("fontName", s.FontName())
      .Str("historyFontName", s.HistoryFontName())
      .Int("historyFontSize", s.historyFontSize)
      .Int("historyLeft", s.historyLeft)
      .Int("historyTop", s.historyTop)
      .Int("historyRight", s.historyRight)
      .Int("historyBottom", s.historyBottom)
      .Int("historyEnabled", s.historyEnabled)
      .Int("historyTextColour", s.historyTextColour)
      .Int("historyLineSpacing", s.historyLineSpacing)
      .Int("historyOriginX", s.historyOriginX)
      .Int("historyOriginY", s.historyOriginY)
      .Str("historyPicture", s.HistoryPicture())
      .Int("historyPictureX", s.historyPictureX)
      .Int("historyPictureY", s.historyPictureY)
      .Int("historyMode", s.historyMode)
      .Arr("historyTint", IntArray(s.historyTint))
      .Int("readPosition", s.readPosition)
      .Str("cursorName", text(s.cursorName, sizeof s.cursorName))
      .Int("customCursor", s.customCursor);
  return o;
}

}  // namespace mirt
