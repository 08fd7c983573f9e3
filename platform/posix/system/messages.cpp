// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
#include "platform/win32.h"

#include <algorithm>
#include <iterator>

namespace {

struct Message {
  DWORD code;
  const char* text;
};

// System texts of every code the POSIX layer can produce, in code order, worded as the
// system's message table words them.
constexpr Message kMessages[] = {
    {0, "The operation completed successfully.\r\n"},
    {1, "Incorrect function.\r\n"},
    {2, "The system cannot find the file specified.\r\n"},
    {3, "The system cannot find the path specified.\r\n"},
    {4, "The system cannot open the file.\r\n"},
    {5, "Access is denied.\r\n"},
    {6, "The handle is invalid.\r\n"},
    {8, "Not enough memory resources are available to process this command.\r\n"},
    {11, "An attempt was made to load a program with an incorrect format.\r\n"},
    {12, "The access code is invalid.\r\n"},
    {13, "The data is invalid.\r\n"},
    {14, "Not enough memory resources are available to complete this operation.\r\n"},
    {15, "The system cannot find the drive specified.\r\n"},
    {17, "The system cannot move the file to a different disk drive.\r\n"},
    {18, "There are no more files.\r\n"},
    {19, "The media is write protected.\r\n"},
    {21, "The device is not ready.\r\n"},
    {29, "The system cannot write to the specified device.\r\n"},
    {30, "The system cannot read from the specified device.\r\n"},
    {31, "A device attached to the system is not functioning.\r\n"},
    {32, "The process cannot access the file because it is being used by another process.\r\n"},
    {33, "The process cannot access the file because another process has locked a portion of "
         "the file.\r\n"},
    {38, "Reached the end of the file.\r\n"},
    {39, "The disk is full.\r\n"},
    {50, "The request is not supported.\r\n"},
    {53, "The network path was not found.\r\n"},
    {67, "The network name cannot be found.\r\n"},
    {80, "The file exists.\r\n"},
    {82, "The directory or file cannot be created.\r\n"},
    {87, "The parameter is incorrect.\r\n"},
    {109, "The pipe has been ended.\r\n"},
    {110, "The system cannot open the device or file specified.\r\n"},
    {111, "The file name is too long.\r\n"},
    {112, "There is not enough space on the disk.\r\n"},
    {120, "This function is not supported on this system.\r\n"},
    {122, "The data area passed to a system call is too small.\r\n"},
    {123, "The filename, directory name, or volume label syntax is incorrect.\r\n"},
    {124, "The system call level is not correct.\r\n"},
    {126, "The specified module could not be found.\r\n"},
    {127, "The specified procedure could not be found.\r\n"},
    {145, "The directory is not empty.\r\n"},
    {161, "The specified path is invalid.\r\n"},
    {170, "The requested resource is in use.\r\n"},
    {183, "Cannot create a file when that file already exists.\r\n"},
    {193, "%1 is not a valid Win32 application.\r\n"},
    {206, "The filename or extension is too long.\r\n"},
    {223, "The file size exceeds the limit allowed and cannot be saved.\r\n"},
    {234, "More data is available.\r\n"},
    {258, "The wait operation timed out.\r\n"},
    {259, "No more data is available.\r\n"},
    {267, "The directory name is invalid.\r\n"},
    {487, "Attempt to access invalid address.\r\n"},
    {995, "The I/O operation has been aborted because of either a thread exit or an application "
          "request.\r\n"},
    {998, "Invalid access to memory location.\r\n"},
    {1006, "The volume for a file has been externally altered so that the opened file is no "
           "longer valid.\r\n"},
    {1009, "The configuration registry database is corrupt.\r\n"},
    {1010, "The configuration registry key is invalid.\r\n"},
    {1011, "The configuration registry key could not be opened.\r\n"},
    {1012, "The configuration registry key could not be read.\r\n"},
    {1013, "The configuration registry key could not be written.\r\n"},
    {1015, "The registry is corrupted.\r\n"},
    {1016, "An I/O operation initiated by the registry failed unrecoverably.\r\n"},
    {1018, "Illegal operation attempted on a registry key that has been marked for deletion.\r\n"},
    {1113, "No mapping for the Unicode character exists in the target multi-byte code page.\r\n"},
    {1117, "The request could not be performed because of an I/O device error.\r\n"},
    {1132, "The base address or the file offset specified does not have the proper "
           "alignment.\r\n"},
    {1155, "No application is associated with the specified file for this operation.\r\n"},
    {1156, "An error occurred in sending the command to the application.\r\n"},
    {1157, "One of the library files needed to run this application cannot be found.\r\n"},
    {1200, "The specified device name is invalid.\r\n"},
    {1207, "Cannot enumerate a noncontainer.\r\n"},
    {1210, "The format of the specified computer name is invalid.\r\n"},
    {1222, "The network is not present or not started.\r\n"},
    {1317, "The specified account does not exist.\r\n"},
    {1332, "No mapping between account names and security IDs was done.\r\n"},
    {1355, "The specified domain either does not exist or could not be contacted.\r\n"},
    {1460, "This operation returned because the timeout period expired.\r\n"},
    {1705, "The string universal unique identifier (UUID) is invalid.\r\n"},
    {1739, "No network address is available to use to construct a universal unique identifier "
           "(UUID).\r\n"},
    {1814, "The specified resource name cannot be found in the image file.\r\n"},
    {1824, "A UUID that is valid only on this computer has been allocated.\r\n"},
    {1921, "The name of the file cannot be resolved by the system.\r\n"},
    {2140, "An internal error occurred.\r\n"},
    {2220, "The group name could not be found.\r\n"},
    {2221, "The user name could not be found.\r\n"},
    {2351, "This computer name is invalid.\r\n"},
    {2453, "Could not find domain controller for this domain.\r\n"},
};

static_assert(std::is_sorted(std::begin(kMessages), std::end(kMessages),
                             [](const Message& a, const Message& b) { return a.code < b.code; }));

}  // namespace

namespace hk::posix {

const char* SystemMessageText(DWORD code) {
  const auto* it = std::lower_bound(std::begin(kMessages), std::end(kMessages), code,
                                    [](const Message& m, DWORD c) { return m.code < c; });
  return (it != std::end(kMessages) && it->code == code) ? it->text : nullptr;
}

}  // namespace hk::posix
