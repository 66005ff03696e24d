#include "driver/entry.h"

int main(int argc, char** argv) { return kestrip_main(argc, argv); }
