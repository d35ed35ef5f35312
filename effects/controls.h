// Control tables: one row per control of a panel or dialog (name, label, kind, range, initial value
// and the field of the panel's struct that holds it). Widgets, macros, the command line and tests
// all read and write a tool's state through its table.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace virmeya {

enum class ControlKind {
  Slider,  // track bar: an integer in [minimum, maximum]
  Check,   // check box: 0 or 1
  Radio,   // radio button: 0 or 1, exactly one of its group is 1
  Choice,  // drop-down list: an item index in [0, items − 1]
  Colour,  // colour box: 0xRRGGBB
};

template <class State>
struct Control {
  std::string_view name;   // the control's name (the widget's objectName)
  std::string_view label;  // its caption as the user reads it
  ControlKind kind;
  int minimum;
  int maximum;
  int initial;
  int State::*intField = nullptr;    // sliders, choices, colours
  bool State::*boolField = nullptr;  // checks, radios
  std::string_view group;            // the panel or dialog page it sits on
  std::string_view radioGroup = {};  // radios: those sharing it are exclusive
  std::span<const std::string_view> items = {};  // choices: the item captions
};

template <class State>
int controlValue(const State& state, const Control<State>& c) {
  return c.boolField ? (state.*c.boolField ? 1 : 0) : state.*c.intField;
}

// Sets one control as the user would; false (nothing changed) when the value is out of range.
// Checking a radio button clears the others of its group; a radio cannot be cleared directly.
template <class State>
bool setControlValue(State& state, std::span<const Control<State>> table, const Control<State>& c, int value) {
  if (value < c.minimum || value > c.maximum) return false;
  if (c.kind == ControlKind::Radio) {
    if (value == 0) return state.*c.boolField == false;
    for (const Control<State>& other : table) {
      if (other.kind == ControlKind::Radio && other.radioGroup == c.radioGroup) state.*other.boolField = false;
    }
  }
  if (c.boolField) {
    state.*c.boolField = value != 0;
  } else {
    state.*c.intField = value;
  }
  return true;
}

template <class State>
const Control<State>* findControl(std::span<const Control<State>> table, std::string_view name) {
  for (const Control<State>& c : table) {
    if (c.name == name) return &c;
  }
  return nullptr;
}

// Parses a control value as a user writes it: an integer, "on"/"off"/"true"/"false" for checks, an
// item caption for choices, "RRGGBB" or "#RRGGBB" for colours.
template <class State>
std::optional<int> parseControlValue(const Control<State>& c, std::string_view text) {
  if (c.kind == ControlKind::Check || c.kind == ControlKind::Radio) {
    if (text == "on" || text == "true" || text == "yes") return 1;
    if (text == "off" || text == "false" || text == "no") return 0;
  }
  if (c.kind == ControlKind::Choice) {
    for (std::size_t i = 0; i < c.items.size(); ++i) {
      if (c.items[i] == text) return static_cast<int>(i);
    }
  }
  if (c.kind == ControlKind::Colour) {
    std::string_view hex = text;
    if (!hex.empty() && hex.front() == '#') hex.remove_prefix(1);
    if (hex.size() == 6) {
      int v = 0;
      for (char ch : hex) {
        int digit = -1;
        if (ch >= '0' && ch <= '9') digit = ch - '0';
        if (ch >= 'a' && ch <= 'f') digit = ch - 'a' + 10;
        if (ch >= 'A' && ch <= 'F') digit = ch - 'A' + 10;
        if (digit < 0) return std::nullopt;
        v = v * 16 + digit;
      }
      return v;
    }
  }
  if (text.empty()) return std::nullopt;
  std::size_t i = 0;
  bool negative = false;
  if (text[0] == '-' || text[0] == '+') {
    negative = text[0] == '-';
    i = 1;
  }
  if (i == text.size() || text.size() - i > 9) return std::nullopt;
  int v = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    v = v * 10 + (text[i] - '0');
  }
  return negative ? -v : v;
}

// Every control at its initial value.
template <class State>
void resetControls(State& state, std::span<const Control<State>> table) {
  for (const Control<State>& c : table) {
    if (c.boolField) {
      state.*c.boolField = c.initial != 0;
    } else {
      state.*c.intField = c.initial;
    }
  }
}

}  // namespace virmeya
