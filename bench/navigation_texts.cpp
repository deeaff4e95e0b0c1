// SPDX-License-Identifier: MIT
#include "bench/navigation_texts.h"

#include <cstdio>
#include <random>
#include <string>

std::vector<LanguageGroup> navigationTexts(uint32_t count) {
  static const char* const MANOEUVRES[] = {
      "Turn left in {}",         "Turn right in {}",     "Bear left in {}",
      "Bear right in {}",        "Make a U-turn in {}",  "Take the exit in {}",
      "Keep straight on for {}", "In {} links abbiegen", "Dans {}, tournez à droite"};
  static const char* const DISTANCES[] = {"50 m",  "100 m", "200 m", "300 m", "400 m", "500 m",
                                          "800 m", "1 km",  "2 km",  "3 km",  "5 km",  "10 km"};
  static const char* const WORDS[] = {"OK",
                                      "Cancel",
                                      "Back",
                                      "Yes",
                                      "No",
                                      "Route calculation",
                                      "Recalculating route",
                                      "You have reached your destination",
                                      "Enter destination",
                                      "Recent destinations",
                                      "Points of interest",
                                      "Address book",
                                      "Route options",
                                      "Map view",
                                      "Traffic messages",
                                      "Settings",
                                      "Volume",
                                      "Brightness",
                                      "Language",
                                      "Fastest route",
                                      "Shortest route",
                                      "Avoid motorways",
                                      "Avoid toll roads",
                                      "Day colours",
                                      "Night colours",
                                      "Please wait",
                                      "Straße gesperrt",
                                      "Lautstärke",
                                      "Kürzeste Route",
                                      "Itinéraire économique",
                                      "Mémoire pleine"};
  static const char* const NUMBERED[] = {"Waypoint {}", "Exit {}", "Recent destination {}"};
  const uint32_t manoeuvres = sizeof MANOEUVRES / sizeof MANOEUVRES[0];
  const uint32_t distances = sizeof DISTANCES / sizeof DISTANCES[0];
  const uint32_t words = sizeof WORDS / sizeof WORDS[0];
  auto filledIn = [](std::string text, const std::string& value) {
    return text.replace(text.find("{}"), 2, value);
  };
  std::mt19937 random(count);
  std::vector<LanguageGroup> groups(20);
  for (uint32_t i = 0; i < count; i++) {
    LanguageGroup& group = groups[uint64_t(i) * groups.size() / count];
    const uint32_t kind = random() % 100;
    if (kind < 2)
      group.push_back(std::nullopt);
    else if (kind < 5)
      group.push_back("");
    else if (kind < 35)
      group.push_back(filledIn(MANOEUVRES[random() % manoeuvres], DISTANCES[random() % distances]));
    else if (kind < 60)
      group.push_back(WORDS[random() % words]);
    else
      group.push_back(filledIn(NUMBERED[random() % 3], std::to_string(1 + random() % 5000)));
  }
  return groups;
}
