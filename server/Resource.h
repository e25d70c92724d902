#pragma once
// Resource ids of Quellmar.dll (shared by Quellmar.rc and the code that loads the strings).

#define IDS_LIBRARY_NAME 100
#define IDS_CONTAINER_CLASS 102
// Texts of the component import report.
#define IDS_BY_COMPID 103
#define IDS_AS_HYPOTHETICAL 104
#define IDS_CONTACT_VENDOR 105
#define IDS_COMPIDS_REPEATED 106
