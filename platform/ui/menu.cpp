#include "platform/ui/menu.h"

#include <nlohmann/json.hpp>

#include "platform/ui/ui.h"
#include "platform/ui/utf.h"

namespace pgwk::ui {

const MenuItem* Menu::itemAt(int position) const {
  if (position < 0 || position >= count()) return nullptr;
  return &items_[position];
}

void Menu::append(int command, std::u16string text) {
  MenuItem item;
  item.command = command;
  item.text = std::move(text);
  items_.push_back(std::move(item));
}

void Menu::appendSeparator() {
  MenuItem item;
  item.separator = true;
  items_.push_back(std::move(item));
}

void Menu::appendSubmenu(MenuId submenu, std::u16string text) {
  MenuItem item;
  item.submenu = submenu;
  item.text = std::move(text);
  items_.push_back(std::move(item));
}

void Menu::insertAt(int position, MenuItem item) {
  if (position < 0 || position > count()) position = count();
  items_.insert(items_.begin() + position, std::move(item));
}

bool Menu::insertBefore(int command, MenuItem item) {
  int position = positionOf(command);
  if (position >= 0) {
    insertAt(position, std::move(item));
    return true;
  }
  for (auto& existing : items_) {
    if (Menu* sub = existing.submenu ? ui_.menu(existing.submenu) : nullptr) {
      if (sub->insertBefore(command, item)) return true;
    }
  }
  return false;
}

bool Menu::removeAt(int position) {
  if (position < 0 || position >= count()) return false;
  items_.erase(items_.begin() + position);
  return true;
}

bool Menu::removeCommand(int command) {
  int position = positionOf(command);
  if (position >= 0) return removeAt(position);
  for (auto& existing : items_) {
    if (Menu* sub = existing.submenu ? ui_.menu(existing.submenu) : nullptr) {
      if (sub->removeCommand(command)) return true;
    }
  }
  return false;
}

MenuItem* Menu::find(int command) {
  for (auto& item : items_) {
    if (!item.separator && !item.submenu && item.command == command) return &item;
  }
  for (auto& item : items_) {
    if (Menu* sub = item.submenu ? ui_.menu(item.submenu) : nullptr) {
      if (MenuItem* found = sub->find(command)) return found;
    }
  }
  return nullptr;
}

const MenuItem* Menu::find(int command) const { return const_cast<Menu*>(this)->find(command); }

bool Menu::check(int command, bool checked) {
  MenuItem* item = find(command);
  if (!item) return false;
  item->checked = checked;
  item->radio = false;
  return true;
}

bool Menu::isChecked(int command) const {
  const MenuItem* item = find(command);
  return item && item->checked;
}

bool Menu::enable(int command, bool enabled) {
  MenuItem* item = find(command);
  if (!item) return false;
  item->grayed = !enabled;
  return true;
}

bool Menu::isEnabled(int command) const {
  const MenuItem* item = find(command);
  return item && !item->grayed;
}

bool Menu::setText(int command, std::u16string text) {
  MenuItem* item = find(command);
  if (!item) return false;
  item->text = std::move(text);
  return true;
}

bool Menu::checkRadio(int first, int last, int command) {
  bool found = false;
  for (int c = first; c <= last; ++c) {
    if (MenuItem* item = find(c)) {
      item->checked = (c == command);
      item->radio = item->checked;
      found = found || c == command;
    }
  }
  return found;
}

bool Menu::checkAt(int position, bool checked) {
  if (position < 0 || position >= count()) return false;
  items_[position].checked = checked;
  items_[position].radio = false;
  return true;
}

bool Menu::setTextAt(int position, std::u16string text) {
  if (position < 0 || position >= count()) return false;
  items_[position].text = std::move(text);
  return true;
}

MenuId Menu::submenuAt(int position) const {
  const MenuItem* item = itemAt(position);
  return item ? item->submenu : kNoMenu;
}

int Menu::positionOf(int command) const {
  for (int i = 0; i < count(); ++i) {
    const MenuItem& item = items_[i];
    if (!item.separator && !item.submenu && item.command == command) return i;
  }
  return -1;
}

void Menu::describe(nlohmann::json& out, int depth) const {
  constexpr int kMaxDepth = 8;
  out["id"] = id_;
  nlohmann::json list = nlohmann::json::array();
  for (const auto& item : items_) {
    nlohmann::json entry;
    if (item.separator) {
      entry["sep"] = true;
    } else {
      entry["cmd"] = item.command;
      entry["text"] = toUtf8(item.text);
      entry["checked"] = item.checked;
      entry["radio"] = item.radio;
      entry["grayed"] = item.grayed;
      const Menu* sub = item.submenu ? ui_.menu(item.submenu) : nullptr;
      if (sub && depth < kMaxDepth) {
        nlohmann::json child;
        sub->describe(child, depth + 1);
        entry["sub"] = std::move(child);
      }
    }
    list.push_back(std::move(entry));
  }
  out["items"] = std::move(list);
}

}  // namespace pgwk::ui
