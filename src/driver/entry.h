// The program entry: checks the command line, opens the script and the two
// output files, writes the listing banner and runs the script.
#pragma once

// Returns the process exit status: 0 after "Done", -1 after "Failed!".
int kestrip_main(int argc, char** argv);
