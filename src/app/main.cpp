// Arvale: the program's entry point. The hooks below connect the shell to the parts of the
// program that live outside it; those left empty do nothing.
#include "app/application.h"

int main(int argc, char** argv)
{
    arv::ApplicationHooks hooks;
    return arv::runApplication(argc, argv, hooks);
}
