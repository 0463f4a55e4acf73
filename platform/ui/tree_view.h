#pragma once
// A tree: items with text, image, selected image and item data; expanding and
// collapsing (the parent is asked first through TreeItemExpanding and may change
// the images while answering); hit testing; selection.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/ui/image_list.h"
#include "platform/ui/widget.h"

namespace pgwk::ui {

class TreeView : public Widget {
 public:
  TreeView(Ui& ui, WidgetId id, WidgetId parent, int controlId)
      : Widget(ui, id, WidgetKind::TreeView, parent, controlId) {}

  enum class Part { Nowhere, Indent, Button, Icon, Label, Right };
  struct Hit {
    TreeItemId item = kNoItem;
    Part part = Part::Nowhere;
  };

  void setImages(ImageList images);
  const ImageList& images() const { return images_; }

  // Inserts as the last child of `parent` (kTreeRoot for the top level).
  TreeItemId insertItem(TreeItemId parent, std::u16string text, int image, int selectedImage,
                        std::int64_t data = 0);
  bool deleteItem(TreeItemId item);
  void deleteAll();
  bool contains(TreeItemId item) const { return items_.count(item) != 0; }
  std::size_t count() const { return items_.size(); }

  const std::u16string& itemText(TreeItemId item) const;
  bool setItemText(TreeItemId item, std::u16string text);
  int itemImage(TreeItemId item) const;
  int itemSelectedImage(TreeItemId item) const;
  bool setItemImages(TreeItemId item, int image, int selectedImage);
  std::int64_t itemData(TreeItemId item) const;
  TreeItemId parentOf(TreeItemId item) const;
  const std::vector<TreeItemId>& childrenOf(TreeItemId item) const;
  bool isExpanded(TreeItemId item) const;

  // Changes the state when it differs, asking the parent first (a nonzero answer
  // to TreeItemExpanding keeps the state); true when it changed.
  bool expand(TreeItemId item, bool expanded);
  bool toggle(TreeItemId item) { return expand(item, !isExpanded(item)); }

  TreeItemId selection() const { return selection_; }
  // Selects, expands the ancestors and scrolls the item into view; sends TreeSelChanged.
  void select(TreeItemId item);
  void ensureVisible(TreeItemId item);

  // ---- geometry (rows of visible items; depth 0 is indented by one step for the buttons)
  int rowHeight() const;
  int indent() const;
  int topIndex() const { return top_; }
  void setTopIndex(int row);
  std::vector<TreeItemId> visibleItems() const;
  int depthOf(TreeItemId item) const;
  Hit hitTest(Point point) const;
  Rect itemRect(TreeItemId item) const;  // label rectangle, own coordinates

  void applyInput(const InputEvent& event) override;
  void describeBulk(nlohmann::json& out) const override;

 protected:
  void describeKind(nlohmann::json& out) const override;

 private:
  struct Item {
    TreeItemId parent;
    std::u16string text;
    int image;
    int selectedImage;
    std::int64_t data;
    bool expanded = false;
    std::vector<TreeItemId> children;
  };
  void collectVisible(TreeItemId parent, std::vector<TreeItemId>& out) const;
  void eraseSubtree(TreeItemId item);
  int rowOf(TreeItemId item) const;
  const Item* findItem(TreeItemId item) const;
  Item* findItem(TreeItemId item);

  ImageList images_;
  std::map<TreeItemId, Item> items_;
  std::vector<TreeItemId> roots_;
  TreeItemId lastItem_ = 0;
  TreeItemId selection_ = kNoItem;
  int top_ = 0;
};

}  // namespace pgwk::ui
