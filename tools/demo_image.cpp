// SPDX-License-Identifier: MIT
// The demo firmware image: a few dozen modules of the kinds a navigation
// unit carries, built with the project's own module builder, for trying the
// editor and for the benchmarks.
#include "tools/demo_image.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "pool/memory.h"
#include "tabs/images/image_codec.h"
#include "tabs/strings/language_codec.h"
#include "tests/support/body_builders.h"

namespace {

Bytes pattern(size_t n, uint32_t seed) {
  Bytes b(n);
  uint32_t x = seed * 2654435761u + 1;
  for (size_t i = 0; i < n; i++) {
    x = x * 1103515245u + 12345u;
    b[i] = uint8_t(x >> 16);
  }
  return b;
}

struct DemoModule {
  const char* name;
  uint8_t type;
  uint16_t access;
  uint8_t language;
};

// A picture being drawn: 8-bit RGB, row-major; colours as 0xRRGGBB.
struct Picture {
  uint16_t width, height;
  Bytes rgb;
  Picture(uint16_t w, uint16_t h, uint32_t colour) : width(w), height(h), rgb(size_t(w) * h * 3) {
    rectFill(0, 0, w - 1, h - 1, colour);
  }
  void set(int x, int y, uint32_t colour) {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    uint8_t* p = &rgb[(size_t(y) * width + x) * 3];
    p[0] = uint8_t(colour >> 16), p[1] = uint8_t(colour >> 8), p[2] = uint8_t(colour);
  }
  uint32_t at(int x, int y) const {
    const uint8_t* p = &rgb[(size_t(y) * width + x) * 3];
    return uint32_t(p[0]) << 16 | p[1] << 8 | p[2];
  }
  void rectFill(int x0, int y0, int x1, int y1, uint32_t colour) {  // corners included
    for (int y = y0; y <= y1; y++)
      for (int x = x0; x <= x1; x++) set(x, y, colour);
  }
  void discFill(int cx, int cy, int r, uint32_t colour) {
    for (int y = cy - r; y <= cy + r; y++)
      for (int x = cx - r; x <= cx + r; x++)
        if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r) set(x, y, colour);
  }
};

const uint32_t BLACK = 0x000000, WHITE = 0xFFFFFF;

// A white car facing right, windows and hubs black.
Picture carDraw() {
  Picture p(32, 32, BLACK);
  p.rectFill(2, 14, 29, 21, WHITE);
  p.rectFill(8, 8, 22, 13, WHITE);
  p.rectFill(10, 10, 14, 13, BLACK);
  p.rectFill(16, 10, 20, 13, BLACK);
  for (int cx : {9, 23}) {
    p.discFill(cx, 22, 4, BLACK);
    p.discFill(cx, 22, 3, WHITE);
    p.discFill(cx, 22, 1, BLACK);
  }
  return p;
}

// A white arrow pointing right, or left when mirrored.
Picture arrowDraw(bool left) {
  Picture p(48, 16, BLACK);
  for (int x = 2; x <= 45; x++) {
    int half = x < 32 ? 2 : (45 - x) * 7 / 13;  // shaft, then the head narrowing to its tip
    for (int y = 7 - half; y <= 8 + half; y++) p.set(left ? 47 - x : x, y, WHITE);
  }
  return p;
}

// Red growing to the right, green downwards, blue fading to the right.
Picture gradientDraw() {
  Picture p(64, 32, BLACK);
  for (int y = 0; y < 32; y++)
    for (int x = 0; x < 64; x++) {
      uint32_t r = x * 255 / 63, g = y * 255 / 31, b = 255 - r;
      p.set(x, y, r << 16 | g << 8 | b);
    }
  return p;
}

// A house under a blue sky: red roof, yellow wall, brown door.
Picture homeDraw() {
  Picture p(16, 16, 0x80C0FF);
  for (int y = 2; y <= 7; y++) p.rectFill(8 - (y - 1), y, 7 + (y - 1), y, 0xD02020);
  p.rectFill(3, 8, 12, 15, 0xF0E040);
  p.rectFill(7, 11, 9, 15, 0x804020);
  return p;
}

// A compass rose: white ring on dark blue, red north and white south needle.
Picture compassDraw() {
  Picture p(32, 32, 0x102040);
  p.discFill(16, 16, 14, WHITE);
  p.discFill(16, 16, 12, 0x102040);
  for (int y = 4; y <= 28; y++) {
    int half = (y < 16 ? y - 4 : 28 - y) / 4;
    p.rectFill(16 - half, y, 16 + half, y, y < 16 ? 0xE02020 : WHITE);
  }
  return p;
}

// A landscape photograph: sky fading to the horizon, sun, a striped green hill.
Picture photoDraw() {
  Picture p(64, 48, BLACK);
  for (int y = 0; y < 48; y++)
    p.rectFill(0, y, 63, y, uint32_t(60 + y * 3) << 16 | uint32_t(120 + y * 2) << 8 | 240);
  p.discFill(48, 12, 7, 0xFFE060);
  for (int x = 0; x < 64; x++) {
    int top = 30 + (x - 24) * (x - 24) / 160;
    p.rectFill(x, top, x, 47, 0x208030 + uint32_t(x % 8) * 0x000800);
  }
  return p;
}

// A map pin: red head with a white dot and a black point, on white.
Picture pinDraw() {
  Picture p(24, 24, WHITE);
  for (int y = 12; y <= 22; y++) p.rectFill(12 - (22 - y) / 3, y, 11 + (22 - y) / 3 + 1, y, BLACK);
  p.discFill(12, 9, 7, 0xE02020);
  p.discFill(12, 9, 2, WHITE);
  return p;
}

// gdk-pixbuf's encoding of the picture ("png" or "jpeg").
Bytes pixbufBytes(const Picture& p, const char* format) {
  GdkPixbuf* pixbuf = gdk_pixbuf_new_from_data(p.rgb.data(), GDK_COLORSPACE_RGB, FALSE, 8, p.width,
                                               p.height, p.width * 3, nullptr, nullptr);
  gchar* buffer = nullptr;
  gsize size = 0;
  bool saved = gdk_pixbuf_save_to_buffer(pixbuf, &buffer, &size, format, nullptr, nullptr);
  Bytes out = saved ? Bytes(buffer, buffer + size) : Bytes();
  g_free(buffer);
  g_object_unref(pixbuf);
  return out;
}

// A GIF of the picture's colours (at most 256), written without compression:
// a clear code comes before the decoder's table would need wider codes, so
// every pixel is one literal code of the first width.
Bytes gifBytes(const Picture& p) {
  std::vector<uint32_t> palette;
  Bytes indices;
  for (int y = 0; y < p.height; y++)
    for (int x = 0; x < p.width; x++) {
      uint32_t colour = p.at(x, y);
      auto found = std::find(palette.begin(), palette.end(), colour);
      if (found == palette.end()) found = palette.insert(found, colour);
      indices.push_back(uint8_t(found - palette.begin()));
    }
  uint32_t bits = 2;  // the smallest LZW code size GIF allows
  while ((1u << bits) < palette.size()) bits++;
  Bytes out = bytesOf("GIF89a");
  auto little16 = [&](uint32_t v) { out.push_back(uint8_t(v)), out.push_back(uint8_t(v >> 8)); };
  little16(p.width);
  little16(p.height);
  // A global colour table of 2^bits entries, colour resolution as many bits.
  out.insert(out.end(), {uint8_t(0x80 | (bits - 1) << 4 | (bits - 1)), 0, 0});
  for (uint32_t i = 0; i < 1u << bits; i++) {
    uint32_t colour = i < palette.size() ? palette[i] : 0;
    out.insert(out.end(), {uint8_t(colour >> 16), uint8_t(colour >> 8), uint8_t(colour)});
  }
  out.push_back(0x2C);  // image descriptor: the whole screen, no local table
  little16(0);
  little16(0);
  little16(p.width);
  little16(p.height);
  out.insert(out.end(), {0, uint8_t(bits)});
  // After a clear the decoder adds one code per literal but the first; the
  // width grows when the next free code reaches 2 * clear.
  const uint32_t clear = 1u << bits, run = clear - 2;
  Bytes codes;
  uint32_t pending = 0, filled = 0;
  auto put = [&](uint32_t code) {
    pending |= code << filled;
    for (filled += bits + 1; filled >= 8; filled -= 8, pending >>= 8)
      codes.push_back(uint8_t(pending));
  };
  for (size_t i = 0; i < indices.size(); i++) {
    if (i % run == 0) put(clear);
    put(indices[i]);
  }
  put(clear + 1);  // end of information
  if (filled) codes.push_back(uint8_t(pending));
  for (size_t i = 0; i < codes.size(); i += 255) {
    size_t n = std::min<size_t>(255, codes.size() - i);
    out.push_back(uint8_t(n));
    out.insert(out.end(), codes.begin() + i, codes.begin() + i + n);
  }
  out.insert(out.end(), {0, 0x3B});  // block terminator, trailer
  return out;
}

// The picture as an entry of the type: bitmap and 15-bit pixels through the
// codec's own import conversion, the file formats as their bytes.
ImagePicture imageOf(int type, const Picture& p, uint16_t id = 0, std::string name = "") {
  Bytes data;
  if (type == IMAGE_BITMAP || type == IMAGE_PIXMAP15) {
    ImageEntry e = {};
    e.type = type, e.width = p.width, e.height = p.height;
    uint32_t size = 0;
    MallocPtr<uint8_t> bytes(imageFromRgb(&e, p.rgb.data(), p.width * 3, 3, &size));
    data.assign(bytes.get(), bytes.get() + size);
  } else {
    data = type == IMAGE_GIF ? gifBytes(p) : pixbufBytes(p, type == IMAGE_PNG ? "png" : "jpeg");
  }
  return {type, p.width, p.height, data, id, name};
}

Bytes bitmapsBody() {
  return imagesBody(IMAGE_KIND_BITMAPS,
                    {imageOf(IMAGE_BITMAP, carDraw()), imageOf(IMAGE_BITMAP, arrowDraw(false)),
                     imageOf(IMAGE_PIXMAP15, gradientDraw()), imageOf(IMAGE_PIXMAP15, homeDraw()),
                     imageOf(IMAGE_PNG, compassDraw()), imageOf(IMAGE_JPEG, photoDraw()),
                     imageOf(IMAGE_GIF, pinDraw())});
}

Bytes iconsBody() {
  return imagesBody(
      IMAGE_KIND_ICONS,
      {imageOf(IMAGE_BITMAP, carDraw(), 1, "car"),
       imageOf(IMAGE_BITMAP, arrowDraw(true), 2, "arrow_left"),
       imageOf(IMAGE_BITMAP, arrowDraw(false), 3, "arrow_right"),
       imageOf(IMAGE_PIXMAP15, homeDraw(), 10, "home"),
       imageOf(IMAGE_PIXMAP15, gradientDraw(), 11, "gradient"),
       imageOf(IMAGE_PNG, compassDraw(), 20, "compass"),
       imageOf(IMAGE_JPEG, photoDraw(), 21, "photo"), imageOf(IMAGE_GIF, pinDraw(), 22, "pin")},
      0x302);
}

// The interface texts of one language; "{}" stands for a distance or a
// number. Every language has the same entries, as the unit looks them up by
// position.
struct LanguageTexts {
  const char* name;
  int layout;
  const char* units[2];   // metres, kilometres
  const char* common[5];  // OK, Cancel, Back, Yes, No
  const char* menu[16];
  const char* manoeuvres[8];
  const char* arrival[6];
  const char* settings[16];
  const char* messages[16];
  const char* waypoint;
  const char* recent;
};

const LanguageTexts LANGUAGES[] = {
    {"Lng_English",
     LANGUAGE_LAYOUT_32,
     {"m", "km"},
     {"OK", "Cancel", "Back", "Yes", "No"},
     {"Navigation", "Enter destination", "Home", "Recent destinations", "Points of interest",
      "Address book", "Route options", "Route calculation", "Map view", "Traffic messages",
      "Settings", "Volume", "Brightness", "Language", "System information", "Demo mode"},
     {"Turn left in {}", "Turn right in {}", "Bear left in {}", "Bear right in {}",
      "Make a U-turn in {}", "Take the exit in {}", "At the roundabout in {}, take the first exit",
      "Keep straight on for {}"},
     {"You have reached your destination", "Recalculating route",
      "Please turn around when possible", "Waypoint reached", "Route calculation",
      "GPS signal lost"},
     {"Fastest route", "Shortest route", "Economical route", "Avoid motorways", "Avoid toll roads",
      "Avoid ferries", "Day colours", "Night colours", "Automatic colours", "Distance units",
      "Kilometres", "Miles", "Time format", "24 hours", "12 hours", "Voice guidance"},
     {"Calculating route…", "No route found", "Destination is not on the map",
      "Please insert the map CD", "Wrong map CD", "Loading map data",
      "Searching for GPS satellites", "Position not yet known", "Memory full",
      "Delete this destination?", "Delete all recent destinations?", "Address book is empty",
      "Traffic jam ahead", "Road closed", "Detour recommended", "Please wait"},
     "Waypoint {}",
     "Recent destination {}"},
    {"Lng_German",
     LANGUAGE_LAYOUT_16,
     {"m", "km"},
     {"OK", "Abbrechen", "Zurück", "Ja", "Nein"},
     {"Navigation", "Ziel eingeben", "Heimatadresse", "Letzte Ziele", "Sonderziele", "Adressbuch",
      "Routenoptionen", "Routenberechnung", "Kartenansicht", "Verkehrsmeldungen", "Einstellungen",
      "Lautstärke", "Helligkeit", "Sprache", "Systeminformation", "Demomodus"},
     {"In {} links abbiegen", "In {} rechts abbiegen", "In {} halb links", "In {} halb rechts",
      "In {} wenden", "In {} die Ausfahrt nehmen",
      "Im Kreisverkehr in {} die erste Ausfahrt nehmen", "Dem Straßenverlauf {} folgen"},
     {"Sie haben Ihr Ziel erreicht", "Route wird neu berechnet", "Bitte wenden, sobald möglich",
      "Zwischenziel erreicht", "Routenberechnung", "GPS-Signal verloren"},
     {"Schnellste Route", "Kürzeste Route", "Sparsame Route", "Autobahnen meiden",
      "Mautstraßen meiden", "Fähren meiden", "Tagfarben", "Nachtfarben", "Automatische Farben",
      "Entfernungseinheit", "Kilometer", "Meilen", "Zeitformat", "24 Stunden", "12 Stunden",
      "Sprachansagen"},
     {"Route wird berechnet…", "Keine Route gefunden", "Ziel liegt nicht auf der Karte",
      "Bitte Karten-CD einlegen", "Falsche Karten-CD", "Kartendaten werden geladen",
      "Suche nach GPS-Satelliten", "Position noch unbekannt", "Speicher voll",
      "Dieses Ziel löschen?", "Alle letzten Ziele löschen?", "Adressbuch ist leer", "Stau voraus",
      "Straße gesperrt", "Umleitung empfohlen", "Bitte warten"},
     "Zwischenziel {}",
     "Letztes Ziel {}"},
    {"Lng_French",
     LANGUAGE_LAYOUT_32,
     {"m", "km"},
     {"OK", "Annuler", "Retour", "Oui", "Non"},
     {"Navigation", "Saisir la destination", "Domicile", "Destinations récentes",
      "Points d’intérêt", "Carnet d’adresses", "Options d’itinéraire", "Calcul de l’itinéraire",
      "Vue de la carte", "Infos trafic", "Réglages", "Volume", "Luminosité", "Langue",
      "Informations système", "Mode démo"},
     {"Dans {}, tournez à gauche", "Dans {}, tournez à droite", "Dans {}, serrez à gauche",
      "Dans {}, serrez à droite", "Dans {}, faites demi-tour", "Dans {}, prenez la sortie",
      "Dans {}, au rond-point, prenez la première sortie", "Continuez tout droit sur {}"},
     {"Vous êtes arrivé à destination", "Recalcul de l’itinéraire",
      "Faites demi-tour dès que possible", "Étape atteinte", "Calcul de l’itinéraire",
      "Signal GPS perdu"},
     {"Itinéraire le plus rapide", "Itinéraire le plus court", "Itinéraire économique",
      "Éviter les autoroutes", "Éviter les péages", "Éviter les ferries", "Couleurs de jour",
      "Couleurs de nuit", "Couleurs automatiques", "Unités de distance", "Kilomètres", "Miles",
      "Format de l’heure", "24 heures", "12 heures", "Guidage vocal"},
     {"Calcul de l’itinéraire…", "Aucun itinéraire trouvé", "La destination n’est pas sur la carte",
      "Veuillez insérer le CD de cartes", "Mauvais CD de cartes", "Chargement des cartes",
      "Recherche des satellites GPS", "Position encore inconnue", "Mémoire pleine",
      "Supprimer cette destination ?", "Supprimer toutes les destinations récentes ?",
      "Le carnet d’adresses est vide", "Bouchon devant", "Route fermée", "Déviation conseillée",
      "Veuillez patienter"},
     "Étape {}",
     "Destination récente {}"},
    {"Lng_Russian",
     LANGUAGE_LAYOUT_16,
     {"м", "км"},
     {"OK", "Отмена", "Назад", "Да", "Нет"},
     {"Навигация", "Ввод пункта назначения", "Домой", "Последние пункты", "Объекты",
      "Адресная книга", "Параметры маршрута", "Расчёт маршрута", "Вид карты", "Дорожные сообщения",
      "Настройки", "Громкость", "Яркость", "Язык", "Сведения о системе", "Демонстрация"},
     {"Через {} поверните налево", "Через {} поверните направо", "Через {} держитесь левее",
      "Через {} держитесь правее", "Через {} развернитесь", "Через {} съезд",
      "Через {} на кольце первый съезд", "Прямо {}"},
     {"Вы прибыли в пункт назначения", "Маршрут пересчитывается",
      "Развернитесь, когда будет возможно", "Промежуточная точка достигнута", "Расчёт маршрута",
      "Сигнал GPS потерян"},
     {"Быстрый маршрут", "Короткий маршрут", "Экономичный маршрут", "Избегать автомагистралей",
      "Избегать платных дорог", "Избегать паромов", "Дневные цвета", "Ночные цвета",
      "Автоматические цвета", "Единицы расстояния", "Километры", "Мили", "Формат времени",
      "24 часа", "12 часов", "Голосовые подсказки"},
     {"Расчёт маршрута…", "Маршрут не найден", "Пункт назначения вне карты",
      "Вставьте диск с картами", "Неверный диск с картами", "Загрузка карты", "Поиск спутников GPS",
      "Местоположение неизвестно", "Память заполнена", "Удалить этот пункт?",
      "Удалить все последние пункты?", "Адресная книга пуста", "Впереди пробка", "Дорога закрыта",
      "Рекомендуется объезд", "Подождите"},
     "Точка маршрута {}",
     "Последний пункт {}"},
};

std::string filledIn(const char* pattern, const std::string& value) {
  std::string text = pattern;
  size_t at = text.find("{}");
  if (at == std::string::npos) return text;
  return text.substr(0, at) + value + text.substr(at + 2);
}

// Five groups: menu, guidance (each manoeuvre at twelve distances), settings,
// messages and numbered destinations. The common words recur across groups,
// and so does "Route calculation"; a few slots are absent and a few texts
// empty, as in a unit's tables.
Bytes languageDemoBody(const LanguageTexts& t) {
  const std::nullopt_t absent = std::nullopt;
  const uint32_t metres[] = {50, 100, 200, 300, 400, 500, 800}, kilometres[] = {1, 2, 3, 5, 10};
  LanguageGroup menu = {t.common[0], t.common[1], t.common[2]};
  menu.insert(menu.end(), t.menu, t.menu + 16);
  menu.insert(menu.end(), {absent, absent, t.common[3], t.common[4]});
  LanguageGroup guidance;
  for (const char* m : t.manoeuvres) {
    for (uint32_t d : metres) guidance.push_back(filledIn(m, std::to_string(d) + " " + t.units[0]));
    for (uint32_t d : kilometres)
      guidance.push_back(filledIn(m, std::to_string(d) + " " + t.units[1]));
  }
  guidance.insert(guidance.end(), t.arrival, t.arrival + 6);
  LanguageGroup settings;
  for (uint32_t i = 0; i < 16; i++) {
    settings.push_back(t.settings[i]);
    if (i % 4 == 3) settings.push_back("");  // a help line left empty
  }
  settings.insert(settings.end(), {t.common[0], t.common[1], t.common[2]});
  LanguageGroup messages(t.messages, t.messages + 16);
  messages.insert(messages.end(), {absent, t.common[0], ""});
  LanguageGroup numbered;
  for (uint32_t i = 1; i <= 60; i++)
    numbered.push_back(i % 25 ? std::optional<std::string>(filledIn(t.waypoint, std::to_string(i)))
                              : absent);
  for (uint32_t i = 1; i <= 40; i++) numbered.push_back(filledIn(t.recent, std::to_string(i)));
  return languageBody(t.layout, {menu, guidance, settings, messages, numbered},
                      languageCodePage(t.name));
}

const DemoModule DEMO[] = {
    {"kernel", 12, 0x0555, 0x00},     {"init", 12, 0x0555, 0x00},
    {"ioman", 1, 0x0555, 0x00},       {"navcore", 1, 0x0555, 0x00},
    {"scf", 13, 0x0555, 0x00},        {"rbf", 13, 0x0555, 0x00},
    {"sc_lcd", 14, 0x0555, 0x00},     {"term", 15, 0x0555, 0x00},
    {"rom_col_day", 4, 0x0557, 0x00}, {"rom_col_night", 4, 0x0557, 0x00},
    {"font_small", 4, 0x0557, 0x00},  {"pfont_medium", 4, 0x0557, 0x00},
    {"ufont_large", 4, 0x0557, 0x00}, {"rombitmaps", 4, 0x0557, 0x00},
    {"romicons", 4, 0x0557, 0x00},    {"Lng_English", 4, 0x0557, 0x01},
    {"Lng_German", 4, 0x0557, 0x02},  {"Lng_French", 4, 0x0557, 0x03},
    {"Lng_Russian", 4, 0x0557, 0x04}, {"route_cfg", 5, 0x0553, 0x00},
    {"guidance", 1, 0x0555, 0x00},    {"tmc", 1, 0x0555, 0x00},
    {"diag", 0x55, 0x0555, 0x00},
};

}  // namespace

Bytes demoImage(size_t count, std::string* err) {
  if (!count) count = sizeof DEMO / sizeof DEMO[0];
  const Bytes bitmaps = bitmapsBody(), icons = iconsBody();
  std::vector<Bytes> languages;
  for (const LanguageTexts& t : LANGUAGES) {
    languages.push_back(languageDemoBody(t));
    if (languages.back().empty()) {
      if (err) *err = std::string("the texts of ") + t.name + " do not fit its code page";
      return Bytes();
    }
  }
  Bytes image;
  for (size_t i = 0; i < count; i++) {
    const DemoModule& d = DEMO[i % (sizeof DEMO / sizeof DEMO[0])];
    std::string name = d.name;
    if (i >= sizeof DEMO / sizeof DEMO[0]) name += '_' + std::to_string(i);
    // Program modules carry code the editor never opens; data modules a body.
    Bytes body = pattern(200 + (i * 37) % 900, uint32_t(i));
    if (name.starts_with("rom_col_day")) body = colorBody(0x0033, 0, 8);
    if (name.starts_with("rom_col_night")) body = colorBody(0x0035, 12, 4);
    if (name.starts_with("font_small")) body = fontBody(1);
    if (name.starts_with("pfont_medium")) body = fontBody(2);
    if (name.starts_with("ufont_large")) body = fontBody(3);
    if (name.starts_with("rombitmaps")) body = bitmaps;
    if (name.starts_with("romicons")) body = icons;
    for (size_t k = 0; k < languages.size(); k++)
      if (name.starts_with(LANGUAGES[k].name)) body = languages[k];
    Bytes m = ModuleBuilder()
                  .name(name)
                  .type(d.type)
                  .access(d.access)
                  .language(d.language)
                  .attribute(0x80)
                  .revision(uint8_t(1 + i % 3))
                  .edition(uint16_t(100 + i))
                  .body(body)
                  .build();
    image.insert(image.end(), m.begin(), m.end());
  }
  return image;
}
