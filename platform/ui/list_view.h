#pragma once
// A report-style list: columns with widths and header images, items with
// sub-item texts and item data, one selection, sorting by the program's own
// comparison, scrolling by whole rows.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/ui/image_list.h"
#include "platform/ui/widget.h"

namespace pgwk::ui {

class ListView : public Widget {
 public:
  ListView(Ui& ui, WidgetId id, WidgetId parent, int controlId)
      : Widget(ui, id, WidgetKind::ListView, parent, controlId) {}

  // ---- columns
  int insertColumn(int position, std::u16string text, int width);
  bool deleteColumn(int position);
  int columnCount() const { return static_cast<int>(columns_.size()); }
  int columnWidth(int column) const;
  void setColumnWidth(int column, int width);
  const std::u16string& columnText(int column) const;
  // Image from the header image list at the right side of the caption; -1 removes it.
  void setColumnImage(int column, int image);
  int columnImage(int column) const;
  void setHeaderImages(ImageList images);
  void setHeaderVisible(bool visible);
  bool headerVisible() const { return headerVisible_; }

  // ---- items
  int count() const { return static_cast<int>(items_.size()); }
  // Positions past the end append; returns the new item's index.
  int insertItem(int position, std::u16string text, std::int64_t data = 0);
  bool setItemText(int item, int column, std::u16string text);
  const std::u16string& itemText(int item, int column = 0) const;
  std::int64_t itemData(int item) const;
  bool deleteItem(int item);
  void deleteAllItems();
  int findData(std::int64_t data) const;  // -1 when absent

  // ---- selection; changes send ListItemChanged to the parent
  int selection() const { return selection_; }
  void select(int item);  // -1 clears
  int focusedItem() const { return selection_; }

  // Sorts by the comparison of two items' data (negative, zero, positive), stable;
  // the selection stays on the same item.
  void sort(const std::function<int(std::int64_t, std::int64_t)>& compare);

  // ---- geometry and scrolling (rows are whole; item 0 is at the top of the client area)
  int rowHeight() const;
  int headerHeight() const;
  int topIndex() const { return top_; }
  int visibleRows() const;
  void setTopIndex(int index);
  void ensureVisible(int item);
  // Scrolls by pixels, rounded to rows (as the program scrolls a found item to the top).
  void scrollBy(int pixels);
  // The item's rectangle in the list's own coordinates, scrolling included.
  Rect itemRect(int item) const;
  // The item under a point in the list's own coordinates, -1 when none.
  int hitTest(Point point) const;

  void applyInput(const InputEvent& event) override;
  void describeBulk(nlohmann::json& out) const override;

 protected:
  void describeKind(nlohmann::json& out) const override;

 private:
  struct Column {
    std::u16string text;
    int width;
    int image;
  };
  struct Item {
    std::vector<std::u16string> texts;
    std::int64_t data;
  };
  void activate(int item);
  std::vector<Column> columns_;
  std::vector<Item> items_;
  ImageList headerImages_;
  bool headerVisible_ = true;
  int selection_ = -1;
  int top_ = 0;
};

}  // namespace pgwk::ui
