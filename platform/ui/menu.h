#pragma once
// Menus: items with command ids, check and radio marks, greying, separators and
// submenus, changed by position or by command. Menus are not widgets: the Ui owns
// them by id, and a front end sees one only while it is popped up.

#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "platform/ui/ui_types.h"

namespace pgwk::ui {

class Ui;

struct MenuItem {
  int command = 0;
  std::u16string text;
  bool separator = false;
  bool checked = false;
  bool radio = false;  // the check mark is drawn as a radio dot
  bool grayed = false;
  MenuId submenu = kNoMenu;
};

class Menu {
 public:
  Menu(Ui& ui, MenuId id) : ui_(ui), id_(id) {}

  MenuId id() const { return id_; }
  int count() const { return static_cast<int>(items_.size()); }
  const std::vector<MenuItem>& items() const { return items_; }
  const MenuItem* itemAt(int position) const;

  void append(int command, std::u16string text);
  void appendSeparator();
  void appendSubmenu(MenuId submenu, std::u16string text);
  // Positions past the end append.
  void insertAt(int position, MenuItem item);
  // Inserts before the item with that command (searching submenus); false when absent.
  bool insertBefore(int command, MenuItem item);
  // Removing an item with a submenu detaches the submenu without destroying it.
  bool removeAt(int position);
  bool removeCommand(int command);

  // By command (searching submenus, like the platform did); false when absent.
  bool check(int command, bool checked);
  bool isChecked(int command) const;
  bool enable(int command, bool enabled);
  bool isEnabled(int command) const;
  bool setText(int command, std::u16string text);
  bool contains(int command) const { return find(command) != nullptr; }
  // Puts the radio mark on `command` and clears it from every other item whose
  // command lies in first..last.
  bool checkRadio(int first, int last, int command);

  bool checkAt(int position, bool checked);
  bool setTextAt(int position, std::u16string text);
  MenuId submenuAt(int position) const;
  int positionOf(int command) const;  // in this menu only, -1 when absent

  // Submenus nested deeper than a few levels (or a menu placed inside itself)
  // are cut off rather than followed.
  void describe(nlohmann::json& out, int depth = 0) const;

 private:
  MenuItem* find(int command);
  const MenuItem* find(int command) const;

  Ui& ui_;
  MenuId id_;
  std::vector<MenuItem> items_;
};

}  // namespace pgwk::ui
