#pragma once
// Reading a Book's navigation out of its files: the table of contents of a CHM file
// or a collection when the book has opened, and the keyword indexes of all its
// archives when the index is first wanted. These drive the sitemap parsers over the
// Book, so they live here and not with the Book: the document layer knows nothing of
// sitemap text.
//
//   Book book(&boxes);
//   book.openChmFile(path);            // or book.openCollection(path) for a ".col"
//   finishOpening(book);               // contents, missing files, main archive
//   if (book.hasKeywordIndex()) loadKeywordIndexes(book);

namespace pgwk {

class Book;

// Loads the contents of the current archive (a collection's from its ".col" file),
// puts the current archive back (also on errors), adds the "Missing files (N)" entry
// when merged or listed files did not open, counts the entries and settles the main
// archive. Raises the parse errors, "Nothing to display." and "Empty collection. No
// chm files were found from this collection.".
void finishOpening(Book& book);

// The contents file of the current CHM file, when it names one, into the Book's
// table of contents. Merged files are opened as they are met.
void loadContents(Book& book);

// The current archive's ".col" file, read from disk, into the Book's table of
// contents; the books it lists are opened as they are met. Raises "Can't open file:
// %s.", "%s file is empty." and "Can't read from file: %s." with the path.
void loadCollection(Book& book);

// Every archive's keyword index, in list order, into the Book's index. The first
// error ends the loop and is shown through the Book's error report, not raised: the
// index keeps what was read and the Book stays usable. The current archive is put
// back in every case. Meant to run once per Book.
void loadKeywordIndexes(Book& book);

}  // namespace pgwk
