// pgwktool on books of several files: toc, index and info on a book that merges
// another and on a collection, and what the commands say when something is missing.

#include <gtest/gtest.h>

#include <string>

#include "book_support.h"

namespace pgwk {
namespace {

using test::runTool;
using test::shellQuoted;

// The shelf's text with "<S>" standing for the scratch folder.
std::string expanded(std::string text, const test::Shelf& shelf) {
  const std::string folder = shelf.path("").string();
  for (std::size_t at = text.find("<S>/"); at != std::string::npos; at = text.find("<S>/", at + folder.size()))
    text.replace(at, 4, folder);
  return text;
}

TEST(BookTool, TocAndIndexOfABookThatMergesAnother) {
  PGWK_REQUIRE_FIXTURES();
  test::Shelf shelf;
  shelf.placeStandardBooks();
  std::string out, err;
  ASSERT_EQ(runTool("toc " + shellQuoted(shelf.text("shelf.chm")), &out, &err), 0) << err;
  EXPECT_EQ(err, "");
  EXPECT_EQ(out, expanded("Welcome\t<S>/shelf.chm::welcome.htm\n"
                          "Volume one\t\n"
                          "  Chapter 1\t<S>/sub/volume.chm::v1.htm\n"
                          "    Chapter 2\t<S>/sub/volume.chm::v2.htm#part\n"
                          "gone.chm::/gone.hhc\t\n"
                          "Last\t<S>/shelf.chm::last.htm\n"
                          "Missing files (1)\t\n"
                          "  gone.chm.\t\n",
                          shelf));

  ASSERT_EQ(runTool("index " + shellQuoted(shelf.text("shelf.chm")), &out, &err), 0) << err;
  EXPECT_EQ(err, "");
  EXPECT_EQ(out, expanded("apple\n"
                          "  \t<S>/sub/volume.chm::v2.htm\n"
                          "_ending\n"
                          "  \t<S>/shelf.chm::last.htm\n"
                          "Volume\n"
                          "  First chapter\t<S>/sub/volume.chm::v1.htm\n"
                          "  Second chapter\t<S>/sub/volume.chm::v2.htm\n"
                          "welcome\n"
                          "  \t<S>/shelf.chm::welcome.htm\n",
                          shelf));

  ASSERT_EQ(runTool("info " + shellQuoted(shelf.text("shelf.chm")), &out, &err), 0) << err;
  EXPECT_TRUE(out.ends_with(expanded("archives: 2\narchive: <S>/shelf.chm\narchive: <S>/sub/volume.chm\n", shelf)))
      << out;
}

TEST(BookTool, EveryCommandTakesACollection) {
  PGWK_REQUIRE_FIXTURES();
  test::Shelf shelf;
  shelf.placeStandardBooks();
  shelf.write("set.col",
              "<Folders><Folder><TitleString value=\"Reference\"/>"
              "<Folder><TitleString value=\"=atlas\"/></Folder>"
              "<Folder><TitleString value=\"=sub/volume\"/></Folder>"
              "<Folder><TitleString value=\"=missing\"/></Folder></Folder></Folders>");
  const std::string col = shellQuoted(shelf.text("set.col"));
  std::string out, err;
  ASSERT_EQ(runTool("toc " + col, &out, &err), 0) << err;
  EXPECT_EQ(out, expanded("Reference\t\n"
                          "  Maps\t<S>/atlas.chm::maps.htm\n"
                          "  Chapter 1\t<S>/sub/volume.chm::v1.htm\n"
                          "    Chapter 2\t<S>/sub/volume.chm::v2.htm#part\n"
                          "Missing files (1)\t\n"
                          "  missing.chm.\t\n",
                          shelf));

  ASSERT_EQ(runTool("index " + col, &out, &err), 0) << err;
  EXPECT_EQ(out, expanded("apple\n"
                          "  \t<S>/sub/volume.chm::v2.htm\n"
                          "Banana\n"
                          "  \t<S>/atlas.chm::maps.htm\n"
                          "Volume\n"
                          "  First chapter\t<S>/sub/volume.chm::v1.htm\n"
                          "  Second chapter\t<S>/sub/volume.chm::v2.htm\n",
                          shelf));

  // The facts are the main book's: the collection's first.
  ASSERT_EQ(runTool("info " + col, &out, &err), 0) << err;
  EXPECT_NE(out.find(expanded("path: <S>/atlas.chm\n", shelf)), std::string::npos) << out;
  EXPECT_NE(out.find("title: Atlas\n"), std::string::npos) << out;
  EXPECT_TRUE(out.ends_with(expanded("archives: 3\narchive: <S>/set.col (collection)\narchive: <S>/atlas.chm\n"
                                     "archive: <S>/sub/volume.chm\n",
                                     shelf)))
      << out;

  ASSERT_EQ(runTool("cat " + col + " maps.htm", &out, &err), 0) << err;
  EXPECT_NE(out.find("Maps of the world."), std::string::npos);
  ASSERT_EQ(runTool("cat " + col + " sub/volume.chm::/v1.htm", &out, &err), 0) << err;
  EXPECT_NE(out.find("The first chapter."), std::string::npos);
  ASSERT_EQ(runTool("topics " + col, &out, &err), 0) << err;
  EXPECT_NE(out.find("maps.htm"), std::string::npos);
}

TEST(BookTool, WhatGoesWrongIsSaid) {
  PGWK_REQUIRE_FIXTURES();
  test::Shelf shelf;
  shelf.placeStandardBooks();
  shelf.write("merges.chm",
              test::bookWithSystemFiles("toc.hhc", "",
                                        {{"/toc.hhc",
                                          "<UL><LI><OBJECT><param name=\"Name\" value=\"Unreadable\">"
                                          "<param name=\"Merge\" value=\"sub/volume.chm::/nothing.hhc\"></OBJECT></UL>"}}));
  shelf.write("only-missing.col", "<Folders><Folder><TitleString value=\"=gone\"/></Folder></Folders>");
  std::string out, err;
  // A merged file that cannot be read is shown and skipped; the status says so.
  EXPECT_EQ(runTool("toc " + shellQuoted(shelf.text("merges.chm")), &out, &err), 1);
  EXPECT_EQ(out, "Unreadable\t\n");
  EXPECT_EQ(err, "PGWK Exception: Can't find entry for file /nothing.hhc\n");

  EXPECT_EQ(runTool("toc " + shellQuoted(shelf.text("only-missing.col")), &out, &err), 1);
  EXPECT_EQ(err, "pgwktool: Empty collection. No chm files were found from this collection.\n");
  EXPECT_EQ(runTool("index " + shellQuoted(shelf.text("absent.col")), &out, &err), 1);
  EXPECT_EQ(err, "pgwktool: Can't open file: " + shelf.text("absent.col") + ".\n");
  EXPECT_EQ(runTool("toc", &out, &err), 2);
}

}  // namespace
}  // namespace pgwk
