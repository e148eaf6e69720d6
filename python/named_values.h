// SPDX-License-Identifier: GPL-3.0-or-later
// Tables of the names a keyword argument takes for the values of an enumeration, read both ways:
// a Python string to its value, a value to its name, and the list of names for a message.
#pragma once

#include <pybind11/pybind11.h>

#include <array>
#include <cstddef>
#include <optional>
#include <string>

namespace swirlon::python {

template <typename Value>
struct NamedValue {
    const char* name;
    Value value;
};

// The value a Python string names; nothing for any other object or name.
template <typename Value, std::size_t Count>
std::optional<Value> valueNamed(const std::array<NamedValue<Value>, Count>& table, const pybind11::handle& name) {
    if (pybind11::isinstance<pybind11::str>(name)) {
        const auto text = name.cast<std::string>();
        for (const NamedValue<Value>& row : table) {
            if (text == row.name) {
                return row.value;
            }
        }
    }
    return std::nullopt;
}

template <typename Value, std::size_t Count>
const char* nameOf(const std::array<NamedValue<Value>, Count>& table, Value value) {
    for (const NamedValue<Value>& row : table) {
        if (row.value == value) {
            return row.name;
        }
    }
    return "";
}

// "'a', 'b' or 'c'"
template <typename Value, std::size_t Count>
std::string namesOf(const std::array<NamedValue<Value>, Count>& table) {
    std::string names;
    for (std::size_t i = 0; i < Count; ++i) {
        names += (i == 0 ? "'" : i + 1 == Count ? " or '" : ", '") + std::string(table[i].name) + "'";
    }
    return names;
}

}  // namespace swirlon::python
