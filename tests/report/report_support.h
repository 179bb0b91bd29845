// Reading back what the statement writers produce, with readers that share no code with
// them: poppler-utils for PDF, openpyxl for XLSX, a plain CSV parser; and a sheet of many
// students made in a demo database.
#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

namespace qel::test {

class DemoFixture;

struct ToolResult {
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs a program of the machine (not the project's) and collects what it says.
ToolResult runTool(const QString& program, const QStringList& args, int timeoutMs = 120000);

// The text of each page of a PDF (pdftotext -layout, pages split at form feeds).
QStringList pdfPages(const QString& path);
// pdfinfo's "Page size" line, e.g. "595 x 842 pts (A4)".
QString pdfPageSize(const QString& path);
// pdffonts' table, one font per line (name, type, encoding, emb, sub, uni …).
QStringList pdfFonts(const QString& path);

// The workbook's first sheet as openpyxl sees it: "title", "freeze" (the frozen pane's top
// left cell), "merged" (ranges), "cells": [{ref, row, col, type, value, date}].
QJsonObject xlsxSheet(const QString& path);

// CSV of ";"-separated cells with "…" quoting (doubled quotes inside), CRLF or LF rows.
QList<QStringList> parseCsv(const QString& text);

// A group "Б-1" of `students` students, with one examination sheet (discipline 9 in its
// semester 3, scale variant 1, statement form 1) holding a mark row per student, in the
// demo database of the fixture. Returns the group's id.
int addBigGroup(DemoFixture& fx, int students);

} // namespace qel::test
