#pragma once

int CmdPing(int argc, char** argv);
int CmdSql(int argc, char** argv);
