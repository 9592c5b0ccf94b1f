#include "app/GirthminderApp.h"

// The one application object.
static CGirthminderApp theApp;

int main(int argc, char** argv) { return AfxWinMain(argc, argv); }
