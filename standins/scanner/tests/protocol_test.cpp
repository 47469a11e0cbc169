// The source's side of the protocol as any application meets it: containers per message,
// coupled capabilities, state checks.
#include <gtest/gtest.h>

#include "scanner/tests/test_support.h"
#include "scanner/tests/twain_client.h"

namespace tvscan_test {
namespace {

class ProtocolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(client_.loaded());
    ASSERT_EQ(client_.OpenManager(), TWRC_SUCCESS);
    ASSERT_EQ(client_.OpenSource(), TWRC_SUCCESS);
  }
  TW_UINT16 Get(TW_UINT16 msg, TW_UINT16 cap, std::vector<TW_UINT32>& items, TW_UINT32* current = nullptr) {
    TW_UINT16 type = 0;
    EXPECT_EQ(client_.GetCap(msg, cap, type, items, current), TWRC_SUCCESS) << std::hex << cap;
    return type;
  }
  TwainClient client_;
};

TEST_F(ProtocolTest, IdentifiesAsTheMakersScanner) {
  EXPECT_STREQ(client_.source().Manufacturer, "TALVORN");
  EXPECT_STREQ(client_.source().ProductFamily, "TALVORN Scanner");
  EXPECT_STREQ(client_.source().ProductName, "TALVORN Virtual Scanner");
  EXPECT_EQ(client_.source().ProtocolMajor, 1);
}

TEST_F(ProtocolTest, AnswersEachMessageWithItsContainer) {
  std::vector<TW_UINT32> items;
  TW_UINT32 current = 0;
  EXPECT_EQ(Get(MSG_GET, ICAP_PIXELTYPE, items, &current), TWON_ENUMERATION);
  EXPECT_EQ(items, (std::vector<TW_UINT32>{TWPT_BW, TWPT_GRAY, TWPT_RGB, TWPT_PALETTE}));
  EXPECT_EQ(current, 0u);
  EXPECT_EQ(Get(MSG_GETCURRENT, ICAP_PIXELTYPE, items), TWON_ONEVALUE);
  EXPECT_EQ(Get(MSG_GETDEFAULT, ICAP_PIXELTYPE, items), TWON_ONEVALUE);
  EXPECT_EQ(Get(MSG_GET, ICAP_XFERMECH, items), TWON_ENUMERATION);
  EXPECT_EQ(items, (std::vector<TW_UINT32>{TWSX_NATIVE, TWSX_FILE, TWSX_MEMORY}));
  EXPECT_EQ(Get(MSG_GET, ICAP_XRESOLUTION, items), TWON_ENUMERATION);
  EXPECT_EQ(items.front(), 50u);  // TW_FIX32 50.0
  EXPECT_EQ(Get(MSG_GET, ICAP_IMAGEFILEFORMAT, items), TWON_ENUMERATION);
  EXPECT_EQ(Get(MSG_GET, CAP_XFERCOUNT, items), TWON_ONEVALUE);
  EXPECT_EQ(items, std::vector<TW_UINT32>{0xFFFF});  // -1 as a 16-bit item
  EXPECT_EQ(Get(MSG_GET, CAP_FEEDERENABLED, items), TWON_ONEVALUE);
  EXPECT_EQ(Get(MSG_GET, CAP_DUPLEX, items), TWON_ONEVALUE);
  EXPECT_EQ(items, std::vector<TW_UINT32>{0});
  EXPECT_EQ(Get(MSG_GET, CAP_ENABLEDSUIONLY, items), TWON_ONEVALUE);
  EXPECT_EQ(Get(MSG_GET, CAP_UICONTROLLABLE, items), TWON_ONEVALUE);
  EXPECT_EQ(items, std::vector<TW_UINT32>{1});
  EXPECT_EQ(Get(MSG_GET, CAP_JOBCONTROL, items), TWON_ENUMERATION);
  EXPECT_EQ(Get(MSG_GET, ICAP_UNITS, items), TWON_ENUMERATION);
  EXPECT_EQ(Get(MSG_GET, ICAP_CCITTKFACTOR, items), TWON_ONEVALUE);
  EXPECT_EQ(Get(MSG_GET, ICAP_PIXELFLAVOR, items), TWON_ENUMERATION);
  EXPECT_EQ(Get(MSG_GET, CAP_SUPPORTEDCAPS, items), TWON_ARRAY);

  TW_CAPABILITY reset{ICAP_PIXELTYPE, TWON_DONTCARE16, nullptr};
  ASSERT_EQ(client_.SetOneValue(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_RGB), TWRC_SUCCESS);
  ASSERT_EQ(client_.CallSource(DG_CONTROL, DAT_CAPABILITY, MSG_RESET, &reset), TWRC_SUCCESS);
  EXPECT_EQ(reset.ConType, TWON_ENUMERATION);
  GlobalFree(reset.hContainer);
  EXPECT_EQ(Get(MSG_GETCURRENT, ICAP_PIXELTYPE, items), TWON_ONEVALUE);
  EXPECT_EQ(items, std::vector<TW_UINT32>{TWPT_BW});
}

TEST_F(ProtocolTest, CcittCompressionGoesWithBilevelStripsAndFiles) {
  std::vector<TW_UINT32> items;
  Get(MSG_GET, ICAP_COMPRESSION, items);
  EXPECT_EQ(items, std::vector<TW_UINT32>{TWCP_NONE});  // native transfers are never coded
  EXPECT_EQ(client_.SetOneValue(ICAP_COMPRESSION, TWTY_UINT16, TWCP_GROUP4), TWRC_FAILURE);
  EXPECT_EQ(client_.SourceCondition(), TWCC_BADVALUE);
  ASSERT_EQ(client_.SetOneValue(ICAP_XFERMECH, TWTY_UINT16, TWSX_MEMORY), TWRC_SUCCESS);
  ASSERT_EQ(client_.SetOneValue(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_GRAY), TWRC_SUCCESS);
  Get(MSG_GETCURRENT, ICAP_BITDEPTH, items);
  EXPECT_EQ(items, std::vector<TW_UINT32>{8});
  ASSERT_EQ(client_.SetOneValue(ICAP_COMPRESSION, TWTY_UINT16, TWCP_GROUP32D), TWRC_SUCCESS);
  Get(MSG_GETCURRENT, ICAP_PIXELTYPE, items);
  EXPECT_EQ(items, std::vector<TW_UINT32>{TWPT_BW});  // coding restricts to black and white
  Get(MSG_GETCURRENT, ICAP_BITDEPTH, items);
  EXPECT_EQ(items, std::vector<TW_UINT32>{1});
  ASSERT_EQ(client_.SetOneValue(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_RGB), TWRC_SUCCESS);
  Get(MSG_GETCURRENT, ICAP_COMPRESSION, items);
  EXPECT_EQ(items, std::vector<TW_UINT32>{TWCP_NONE});
}

TEST_F(ProtocolTest, RefusesValuesItDoesNotOffer) {
  EXPECT_EQ(client_.SetOneValue(ICAP_XRESOLUTION, TWTY_FIX32, 123), TWRC_FAILURE);
  EXPECT_EQ(client_.SourceCondition(), TWCC_BADVALUE);
  EXPECT_EQ(client_.SetOneValue(ICAP_PIXELTYPE, TWTY_UINT16, 9), TWRC_FAILURE);
  EXPECT_EQ(client_.SetOneValue(ICAP_PIXELTYPE, TWTY_UINT32, TWPT_GRAY), TWRC_FAILURE);  // wrong item type
  EXPECT_EQ(client_.SetOneValue(CAP_XFERCOUNT, TWTY_INT16, 0), TWRC_FAILURE);
  EXPECT_EQ(client_.SetOneValue(CAP_DEVICEONLINE, TWTY_BOOL, 0), TWRC_FAILURE);
  EXPECT_EQ(client_.SourceCondition(), TWCC_CAPBADOPERATION);
  std::vector<TW_UINT32> items;
  TW_UINT16 type = 0;
  EXPECT_EQ(client_.GetCap(MSG_GET, 0x1234, type, items), TWRC_FAILURE);
  EXPECT_EQ(client_.SourceCondition(), TWCC_CAPUNSUPPORTED);
  ASSERT_EQ(client_.SetOneValue(ICAP_YRESOLUTION, TWTY_FIX32, 300), TWRC_SUCCESS);
  Get(MSG_GETCURRENT, ICAP_XRESOLUTION, items);
  EXPECT_EQ(items, std::vector<TW_UINT32>{300});  // square pixels
}

TEST_F(ProtocolTest, ChecksTheStateOfEveryTriplet) {
  TW_IMAGEINFO info{};
  TW_HANDLE handle = nullptr;
  TW_PENDINGXFERS pending{};
  EXPECT_EQ(client_.CallSource(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info), TWRC_FAILURE);
  EXPECT_EQ(client_.SourceCondition(), TWCC_SEQERROR);
  EXPECT_EQ(client_.CallSource(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle), TWRC_FAILURE);
  EXPECT_EQ(client_.SourceCondition(), TWCC_SEQERROR);
  EXPECT_EQ(client_.CallSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_FAILURE);
  EXPECT_EQ(client_.Disable(), TWRC_FAILURE);

  ASSERT_EQ(client_.SetOneValue(CAP_XFERCOUNT, TWTY_INT16, 1), TWRC_SUCCESS);
  ASSERT_EQ(client_.Enable(false), TWRC_SUCCESS);
  EXPECT_EQ(client_.Enable(false), TWRC_FAILURE);
  EXPECT_EQ(client_.SetOneValue(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_GRAY), TWRC_FAILURE);
  EXPECT_EQ(client_.SourceCondition(), TWCC_SEQERROR);
  EXPECT_EQ(client_.CloseSource(), TWRC_FAILURE);  // still enabled
  TW_UINT16 event = MSG_NULL;
  ASSERT_TRUE(client_.WaitForEvent(event, 10000));
  ASSERT_EQ(event, MSG_XFERREADY);
  EXPECT_EQ(client_.CallSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_GET, &pending), TWRC_SUCCESS);
  EXPECT_EQ(pending.Count, 1);
  // Memory transfer while native is negotiated: a sequence error, the state stays.
  TW_IMAGEMEMXFER strip{};
  EXPECT_EQ(client_.CallSource(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip), TWRC_FAILURE);
  EXPECT_EQ(client_.SourceCondition(), TWCC_SEQERROR);
  EXPECT_EQ(client_.Disable(), TWRC_FAILURE);  // images pending
  EXPECT_EQ(client_.CallSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending), TWRC_SUCCESS);
  EXPECT_EQ(pending.Count, 0);
  EXPECT_EQ(client_.Disable(), TWRC_SUCCESS);
  EXPECT_EQ(client_.CloseSource(), TWRC_SUCCESS);
}

TEST_F(ProtocolTest, PassesOverMessagesThatAreNotItsOwn) {
  ASSERT_EQ(client_.Enable(false), TWRC_SUCCESS);
  MSG message{};
  message.hwnd = client_.window();
  message.message = WM_PAINT;
  TW_EVENT event{&message, MSG_NULL};
  EXPECT_EQ(client_.CallSource(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event), TWRC_NOTDSEVENT);
  EXPECT_EQ(event.TWMessage, MSG_NULL);
}

}  // namespace
}  // namespace tvscan_test
