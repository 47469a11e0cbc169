// The TWAIN 1.x protocol as seen by an application, a source manager and a data source:
// the data types, constants and records that cross DSM_Entry and DS_Entry. Written from the
// protocol's published definitions; both sides of every call use this one header.
//
// Records are packed to 2 bytes on Windows, as the protocol prescribes for every platform there.
// Handles and memory references are pointer-sized, so the same header serves 32- and 64-bit builds.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

typedef std::uint8_t TW_UINT8;
typedef std::int16_t TW_INT16;
typedef std::uint16_t TW_UINT16;
typedef std::int32_t TW_INT32;
typedef std::uint32_t TW_UINT32;
typedef TW_UINT16 TW_BOOL;
typedef HANDLE TW_HANDLE;
typedef void* TW_MEMREF;
typedef char TW_STR32[34];
typedef char TW_STR64[66];
typedef char TW_STR128[130];
typedef char TW_STR255[256];

#pragma pack(push, 2)

struct TW_FIX32 {
  TW_INT16 Whole;
  TW_UINT16 Frac;
};

struct TW_FRAME {
  TW_FIX32 Left, Top, Right, Bottom;
};

struct TW_VERSION {
  TW_UINT16 MajorNum;
  TW_UINT16 MinorNum;
  TW_UINT16 Language;
  TW_UINT16 Country;
  TW_STR32 Info;
};

struct TW_IDENTITY {
  TW_UINT32 Id;
  TW_VERSION Version;
  TW_UINT16 ProtocolMajor;
  TW_UINT16 ProtocolMinor;
  TW_UINT32 SupportedGroups;
  TW_STR32 Manufacturer;
  TW_STR32 ProductFamily;
  TW_STR32 ProductName;
};

struct TW_CAPABILITY {
  TW_UINT16 Cap;
  TW_UINT16 ConType;
  TW_HANDLE hContainer;
};

struct TW_ONEVALUE {
  TW_UINT16 ItemType;
  TW_UINT32 Item;
};

struct TW_ENUMERATION {
  TW_UINT16 ItemType;
  TW_UINT32 NumItems;
  TW_UINT32 CurrentIndex;
  TW_UINT32 DefaultIndex;
  TW_UINT8 ItemList[1];
};

struct TW_ARRAY {
  TW_UINT16 ItemType;
  TW_UINT32 NumItems;
  TW_UINT8 ItemList[1];
};

struct TW_RANGE {
  TW_UINT16 ItemType;
  TW_UINT32 MinValue;
  TW_UINT32 MaxValue;
  TW_UINT32 StepSize;
  TW_UINT32 DefaultValue;
  TW_UINT32 CurrentValue;
};

struct TW_EVENT {
  TW_MEMREF pEvent;
  TW_UINT16 TWMessage;
};

struct TW_STATUS {
  TW_UINT16 ConditionCode;
  TW_UINT16 Reserved;
};

struct TW_USERINTERFACE {
  TW_BOOL ShowUI;
  TW_BOOL ModalUI;
  TW_HANDLE hParent;
};

struct TW_PENDINGXFERS {
  TW_UINT16 Count;
  TW_UINT32 Reserved;
};

struct TW_SETUPMEMXFER {
  TW_UINT32 MinBufSize;
  TW_UINT32 MaxBufSize;
  TW_UINT32 Preferred;
};

struct TW_SETUPFILEXFER {
  TW_STR255 FileName;
  TW_UINT16 Format;
  TW_INT16 VRefNum;
};

struct TW_IMAGEINFO {
  TW_FIX32 XResolution;
  TW_FIX32 YResolution;
  TW_INT32 ImageWidth;
  TW_INT32 ImageLength;
  TW_INT16 SamplesPerPixel;
  TW_INT16 BitsPerSample[8];
  TW_INT16 BitsPerPixel;
  TW_BOOL Planar;
  TW_INT16 PixelType;
  TW_UINT16 Compression;
};

struct TW_IMAGELAYOUT {
  TW_FRAME Frame;
  TW_UINT32 DocumentNumber;
  TW_UINT32 PageNumber;
  TW_UINT32 FrameNumber;
};

struct TW_MEMORY {
  TW_UINT32 Flags;
  TW_UINT32 Length;
  TW_MEMREF TheMem;
};

struct TW_IMAGEMEMXFER {
  TW_UINT16 Compression;
  TW_UINT32 BytesPerRow;
  TW_UINT32 Columns;
  TW_UINT32 Rows;
  TW_UINT32 XOffset;
  TW_UINT32 YOffset;
  TW_UINT32 BytesWritten;
  TW_MEMORY Memory;
};

struct TW_ELEMENT8 {
  TW_UINT8 Index;
  TW_UINT8 Channel1;
  TW_UINT8 Channel2;
  TW_UINT8 Channel3;
};

struct TW_PALETTE8 {
  TW_UINT16 NumColors;
  TW_UINT16 PaletteType;
  TW_ELEMENT8 Colors[256];
};

#pragma pack(pop)

typedef TW_IDENTITY* pTW_IDENTITY;

// The source manager's entry point, and a data source's.
typedef TW_UINT16(WINAPI* DSMENTRYPROC)(pTW_IDENTITY origin, pTW_IDENTITY destination,
                                        TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg,
                                        TW_MEMREF data);
typedef TW_UINT16(WINAPI* DSENTRYPROC)(pTW_IDENTITY origin, TW_UINT32 group, TW_UINT16 dat,
                                       TW_UINT16 msg, TW_MEMREF data);

// Protocol version this header describes.
enum : TW_UINT16 { TWON_PROTOCOLMAJOR = 1, TWON_PROTOCOLMINOR = 9 };

// Data groups.
enum : TW_UINT32 { DG_CONTROL = 0x0001, DG_IMAGE = 0x0002, DG_AUDIO = 0x0004 };

// Data argument types.
enum : TW_UINT16 {
  DAT_NULL = 0x0000,
  DAT_CAPABILITY = 0x0001,
  DAT_EVENT = 0x0002,
  DAT_IDENTITY = 0x0003,
  DAT_PARENT = 0x0004,
  DAT_PENDINGXFERS = 0x0005,
  DAT_SETUPMEMXFER = 0x0006,
  DAT_SETUPFILEXFER = 0x0007,
  DAT_STATUS = 0x0008,
  DAT_USERINTERFACE = 0x0009,
  DAT_XFERGROUP = 0x000a,
  DAT_IMAGEINFO = 0x0101,
  DAT_IMAGELAYOUT = 0x0102,
  DAT_IMAGEMEMXFER = 0x0103,
  DAT_IMAGENATIVEXFER = 0x0104,
  DAT_IMAGEFILEXFER = 0x0105,
  DAT_CIECOLOR = 0x0106,
  DAT_GRAYRESPONSE = 0x0107,
  DAT_RGBRESPONSE = 0x0108,
  DAT_JPEGCOMPRESSION = 0x0109,
  DAT_PALETTE8 = 0x010a,
  DAT_EXTIMAGEINFO = 0x010b,
  DAT_CUSTOMBASE = 0x8000,
};

// Messages.
enum : TW_UINT16 {
  MSG_NULL = 0x0000,
  MSG_GET = 0x0001,
  MSG_GETCURRENT = 0x0002,
  MSG_GETDEFAULT = 0x0003,
  MSG_GETFIRST = 0x0004,
  MSG_GETNEXT = 0x0005,
  MSG_SET = 0x0006,
  MSG_RESET = 0x0007,
  MSG_QUERYSUPPORT = 0x0008,
  MSG_XFERREADY = 0x0101,
  MSG_CLOSEDSREQ = 0x0102,
  MSG_CLOSEDSOK = 0x0103,
  MSG_DEVICEEVENT = 0x0104,
  MSG_OPENDSM = 0x0301,
  MSG_CLOSEDSM = 0x0302,
  MSG_OPENDS = 0x0401,
  MSG_CLOSEDS = 0x0402,
  MSG_USERSELECT = 0x0403,
  MSG_DISABLEDS = 0x0501,
  MSG_ENABLEDS = 0x0502,
  MSG_ENABLEDSUIONLY = 0x0503,
  MSG_PROCESSEVENT = 0x0601,
  MSG_ENDXFER = 0x0701,
  MSG_STOPFEEDER = 0x0702,
};

// Return codes.
enum : TW_UINT16 {
  TWRC_SUCCESS = 0,
  TWRC_FAILURE = 1,
  TWRC_CHECKSTATUS = 2,
  TWRC_CANCEL = 3,
  TWRC_DSEVENT = 4,
  TWRC_NOTDSEVENT = 5,
  TWRC_XFERDONE = 6,
  TWRC_ENDOFLIST = 7,
  TWRC_INFONOTSUPPORTED = 8,
  TWRC_DATANOTAVAILABLE = 9,
};

// Condition codes.
enum : TW_UINT16 {
  TWCC_SUCCESS = 0,
  TWCC_BUMMER = 1,
  TWCC_LOWMEMORY = 2,
  TWCC_NODS = 3,
  TWCC_MAXCONNECTIONS = 4,
  TWCC_OPERATIONERROR = 5,
  TWCC_BADCAP = 6,
  TWCC_BADPROTOCOL = 9,
  TWCC_BADVALUE = 10,
  TWCC_SEQERROR = 11,
  TWCC_BADDEST = 12,
  TWCC_CAPUNSUPPORTED = 13,
  TWCC_CAPBADOPERATION = 14,
  TWCC_CAPSEQERROR = 15,
  TWCC_DENIED = 16,
  TWCC_FILEEXISTS = 17,
  TWCC_FILENOTFOUND = 18,
  TWCC_NOTEMPTY = 19,
  TWCC_PAPERJAM = 20,
  TWCC_PAPERDOUBLEFEED = 21,
  TWCC_FILEWRITEERROR = 22,
  TWCC_CHECKDEVICEONLINE = 23,
};

// Item types of capability containers.
enum : TW_UINT16 {
  TWTY_INT8 = 0x0000,
  TWTY_INT16 = 0x0001,
  TWTY_INT32 = 0x0002,
  TWTY_UINT8 = 0x0003,
  TWTY_UINT16 = 0x0004,
  TWTY_UINT32 = 0x0005,
  TWTY_BOOL = 0x0006,
  TWTY_FIX32 = 0x0007,
  TWTY_FRAME = 0x0008,
  TWTY_STR32 = 0x0009,
  TWTY_STR64 = 0x000a,
  TWTY_STR128 = 0x000b,
  TWTY_STR255 = 0x000c,
};

// Container types.
enum : TW_UINT16 {
  TWON_ARRAY = 3,
  TWON_ENUMERATION = 4,
  TWON_ONEVALUE = 5,
  TWON_RANGE = 6,
  TWON_DONTCARE16 = 0xffff,
};
constexpr TW_UINT32 TWON_DONTCARE32 = 0xffffffffu;

// Capabilities.
enum : TW_UINT16 {
  CAP_XFERCOUNT = 0x0001,
  ICAP_COMPRESSION = 0x0100,
  ICAP_PIXELTYPE = 0x0101,
  ICAP_UNITS = 0x0102,
  ICAP_XFERMECH = 0x0103,
  CAP_SUPPORTEDCAPS = 0x1005,
  CAP_FEEDERENABLED = 0x1002,
  CAP_FEEDERLOADED = 0x1003,
  CAP_UICONTROLLABLE = 0x100e,
  CAP_DEVICEONLINE = 0x100f,
  CAP_DUPLEX = 0x1012,
  CAP_DUPLEXENABLED = 0x1013,
  CAP_ENABLEDSUIONLY = 0x1014,
  CAP_JOBCONTROL = 0x1017,
  ICAP_IMAGEFILEFORMAT = 0x110c,
  ICAP_PHYSICALWIDTH = 0x1111,
  ICAP_PHYSICALHEIGHT = 0x1112,
  ICAP_XRESOLUTION = 0x1118,
  ICAP_YRESOLUTION = 0x1119,
  ICAP_BITORDER = 0x111c,
  ICAP_CCITTKFACTOR = 0x111d,
  ICAP_PIXELFLAVOR = 0x111f,
  ICAP_BITDEPTH = 0x112b,
  ICAP_UNDEFINEDIMAGESIZE = 0x112d,
};

// ICAP_XFERMECH values.
enum : TW_UINT16 { TWSX_NATIVE = 0, TWSX_FILE = 1, TWSX_MEMORY = 2 };

// ICAP_PIXELTYPE values.
enum : TW_UINT16 { TWPT_BW = 0, TWPT_GRAY = 1, TWPT_RGB = 2, TWPT_PALETTE = 3 };

// ICAP_UNITS values.
enum : TW_UINT16 {
  TWUN_INCHES = 0,
  TWUN_CENTIMETERS = 1,
  TWUN_PICAS = 2,
  TWUN_POINTS = 3,
  TWUN_TWIPS = 4,
  TWUN_PIXELS = 5,
};

// ICAP_COMPRESSION values.
enum : TW_UINT16 {
  TWCP_NONE = 0,
  TWCP_PACKBITS = 1,
  TWCP_GROUP31D = 2,
  TWCP_GROUP31DEOL = 3,
  TWCP_GROUP32D = 4,
  TWCP_GROUP4 = 5,
};

// ICAP_IMAGEFILEFORMAT values.
enum : TW_UINT16 { TWFF_TIFF = 0, TWFF_PICT = 1, TWFF_BMP = 2 };

// ICAP_PIXELFLAVOR values: chocolate means 0 is darkest, vanilla means 0 is lightest.
enum : TW_UINT16 { TWPF_CHOCOLATE = 0, TWPF_VANILLA = 1 };

// ICAP_BITORDER values.
enum : TW_UINT16 { TWBO_LSBFIRST = 0, TWBO_MSBFIRST = 1 };

// TW_PALETTE8 palette types.
enum : TW_UINT16 { TWPA_RGB = 0, TWPA_GRAY = 1, TWPA_CMY = 2 };

// TW_MEMORY flags.
enum : TW_UINT32 {
  TWMF_APPOWNS = 0x0001,
  TWMF_DSMOWNS = 0x0002,
  TWMF_DSOWNS = 0x0004,
  TWMF_POINTER = 0x0008,
  TWMF_HANDLE = 0x0010,
};

// Language and country codes used in identities.
enum : TW_UINT16 { TWLG_USA = 13, TWCY_USA = 1, TWCY_JAPAN = 81 };

static_assert(sizeof(TW_FIX32) == 4, "TW_FIX32 is 4 bytes");
static_assert(sizeof(TW_VERSION) == 42, "TW_VERSION is 42 bytes");
static_assert(sizeof(TW_IDENTITY) == 156, "TW_IDENTITY is 156 bytes");
static_assert(sizeof(TW_ONEVALUE) == 6, "TW_ONEVALUE is 6 bytes");
static_assert(sizeof(TW_SETUPFILEXFER) == 260, "TW_SETUPFILEXFER is 260 bytes");
static_assert(sizeof(TW_IMAGEINFO) == 42, "TW_IMAGEINFO is 42 bytes");
static_assert(sizeof(TW_PALETTE8) == 1028, "TW_PALETTE8 is 1028 bytes");
static_assert(sizeof(TW_FRAME) == 16, "TW_FRAME is 16 bytes");
static_assert(sizeof(TW_STATUS) == 4, "TW_STATUS is 4 bytes");
static_assert(sizeof(TW_PENDINGXFERS) == 6, "TW_PENDINGXFERS is 6 bytes");
static_assert(sizeof(TW_SETUPMEMXFER) == 12, "TW_SETUPMEMXFER is 12 bytes");
static_assert(sizeof(TW_IMAGELAYOUT) == 28, "TW_IMAGELAYOUT is 28 bytes");
static_assert(sizeof(TW_RANGE) == 22, "TW_RANGE is 22 bytes");
static_assert(sizeof(TW_ELEMENT8) == 4, "TW_ELEMENT8 is 4 bytes");
// Containers live in global memory that both sides read: their items start where the other
// side expects them.
static_assert(offsetof(TW_ENUMERATION, ItemList) == 14, "enumeration items at byte 14");
static_assert(offsetof(TW_ARRAY, ItemList) == 6, "array items at byte 6");
// Records that carry a handle or a pointer: the fields before it keep their offsets, and only
// the handle's own width differs between the 32-bit program (4 bytes) and a 64-bit build.
static_assert(sizeof(TW_CAPABILITY) == 4 + sizeof(TW_HANDLE), "TW_CAPABILITY");
static_assert(sizeof(TW_USERINTERFACE) == 4 + sizeof(TW_HANDLE), "TW_USERINTERFACE");
static_assert(sizeof(TW_EVENT) == sizeof(TW_MEMREF) + 2, "TW_EVENT");
static_assert(sizeof(TW_MEMORY) == 8 + sizeof(TW_MEMREF), "TW_MEMORY");
static_assert(offsetof(TW_IMAGEMEMXFER, Memory) == 26, "memory record at byte 26");
static_assert(sizeof(TW_IMAGEMEMXFER) == 26 + sizeof(TW_MEMORY), "TW_IMAGEMEMXFER");
