// The parser's name tables: variables (name to cell) and functions (name to routine).
// Each stays sorted, compares names without regard to ASCII letter case and is searched
// by bisection.
#pragma once

#include "formula/operation.h"

#include <QString>
#include <QStringView>
#include <memory>
#include <vector>

namespace qel {

// <0, 0, >0 like strcmp, with ASCII letters compared case-insensitively.
int compareNamesIgnoringCase(QStringView a, QStringView b);

class VariableTable {
public:
    struct Entry {
        QString name;
        double* cell;
    };

    double* find(QStringView name) const;
    // The name of a cell entered in the table, or an empty string.
    QString nameOf(const double* cell) const;
    bool containsCell(const double* cell) const { return !nameOf(cell).isEmpty(); }
    // Enters a name bound to a cell owned elsewhere (the parser's built-in cells).
    void addExternal(const QString& name, double* cell);
    // Enters a name with a new cell owned by the table; returns the cell.
    double* addOwned(const QString& name);
    // Frees the owned cells and empties the table except for the external entries.
    void clearOwned();

    const std::vector<Entry>& entries() const { return entries_; }
    int longestName() const { return longest_; }

private:
    void insert(const QString& name, double* cell);

    std::vector<Entry> entries_;
    std::vector<std::unique_ptr<double>> owned_;
    int longest_ = 0;
};

class FunctionTable {
public:
    struct Entry {
        QString name;
        KernelRoutine kernel;
    };

    KernelRoutine find(QStringView name) const;
    QString nameOf(KernelRoutine kernel) const;
    // Throws EMathParserError when the name is already there.
    void add(const QString& name, KernelRoutine kernel);

    const std::vector<Entry>& entries() const { return entries_; }
    int longestName() const { return longest_; }

private:
    std::vector<Entry> entries_;
    int longest_ = 0;
};

} // namespace qel
