// INSERT, UPDATE and DELETE through a simple view (columns of one table, an optional WHERE), as
// SQL Server allows them: the view gets INSTEAD OF triggers that write the table.
#pragma once
#include <string>

namespace engine::store {
class Database;
}

namespace engine::exec {

// Gives the view its triggers when it is simple; leaves any other view read-only.
void MakeViewWritable(store::Database& db, const std::string& view, const std::string& dateFormat);

// Drops the triggers of every view, and gives them back: around a rename, which SQLite refuses
// while a trigger names what changes.
void DropViewTriggers(store::Database& db);
void MakeViewsWritable(store::Database& db, const std::string& dateFormat);

// The view a CREATE VIEW text makes; empty for other texts.
std::string CreatedView(const std::string& sql);

}  // namespace engine::exec
