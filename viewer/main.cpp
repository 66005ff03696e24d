#include "viewer/view.h"

int main(int argc, char** argv) { return kestrip_view_main(argc, argv); }
