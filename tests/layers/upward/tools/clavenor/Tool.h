#include <clavenor/framework/detail/TextScan.h>
