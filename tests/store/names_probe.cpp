// Compiled, never linked, by the test Store.MisspeltNamesFailTheBuild (names_probe.cmake): as it
// stands it compiles; with MISSPELT_FIELD or MISSPELT_TAG defined it must not.
#include "store/table.h"

void probe(arv::store::Table& t)
{
    t.ordAdd("NUMPOL");
    t.setText("DESCRIZIO", t.text("CLIENTE"));
#ifdef MISSPELT_FIELD
    t.setText("DESCRIZZO", "x");
#endif
#ifdef MISSPELT_TAG
    t.setOrder("NUMPOLL");
#endif
}
