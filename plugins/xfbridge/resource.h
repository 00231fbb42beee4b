// Resource ids of the bridge library.
#pragma once

#define IDD_LOCATION 101
#define IDC_LOCATION_PATH 1000
#define IDC_LOCATION_BROWSE 1001
