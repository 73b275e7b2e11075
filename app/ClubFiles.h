#pragma once
// The files of the club that no export may be written over: the club database, the alias file and
// the configuration files. Both the criteria window and a batch run name them once the start-up gate
// has opened the database and found the configuration folder.

// Hands the club's files to TOutputGuard, replacing what it held before.
void ProtectClubFiles();
