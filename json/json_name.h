// How member names are compared: shared by lookups in a tree and by the parser, which
// builds only the wanted members of a save's root.
#ifndef SAVETITLE_JSON_JSON_NAME_H_
#define SAVETITLE_JSON_JSON_NAME_H_

// Whether the zero-terminated names a and b are equal once the ASCII capitals A-Z are
// folded to small letters; every other byte, 0x80 and up included, must match as it is.
bool JsonNamesMatch(const char* a, const char* b);

#endif  // SAVETITLE_JSON_JSON_NAME_H_
