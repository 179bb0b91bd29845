// The numbers of the TDS 7.4 protocol that the front-end speaks: packet types and status
// bits (and the header that carries them), token codes, data type codes, the procedure ids of the system RPCs, and the
// collation of the database's texts.
#pragma once

#include <QByteArray>
#include <cstdint>

namespace qel::server::tds {

// TDS 7.4 as it appears in LOGIN7 and LOGINACK.
inline constexpr uint32_t kTdsVersion74 = 0x74000004;

// The packet header: type, status, length (big-endian, header included), SPID, packet id, window.
inline constexpr int kHeaderSize = 8;
inline constexpr int kDefaultPacketSize = 4096;
inline constexpr int kMinPacketSize = 512;
inline constexpr int kMaxPacketSize = 32767;

enum PacketType : uint8_t {
    PacketSqlBatch = 1,
    PacketPreTds7Login = 2,
    PacketRpc = 3,
    PacketTabularResult = 4,
    PacketAttention = 6,
    PacketBulkLoad = 7,
    PacketFedAuthToken = 8,
    PacketTransactionManager = 14,
    PacketLogin7 = 16,
    PacketSspi = 17,
    PacketPreLogin = 18,
};

enum PacketStatus : uint8_t {
    StatusEom = 0x01,
    StatusIgnore = 0x02,
    StatusResetConnection = 0x08,
    StatusResetConnectionSkipTran = 0x10,
};

// Appends the header of a packet of `length` bytes (header included); `last` marks the end
// of its message.
inline void appendPacketHeader(QByteArray& out, uint8_t type, bool last, int length, uint16_t spid, uint8_t packetId)
{
    const char header[kHeaderSize] = {char(type), char(last ? StatusEom : 0), char(length >> 8), char(length & 0xFF),
                                      char(spid >> 8), char(spid & 0xFF), char(packetId), 0};
    out.append(header, kHeaderSize);
}

// PRELOGIN options and encryption answers.
enum PreLoginOption : uint8_t {
    OptVersion = 0,
    OptEncryption = 1,
    OptInstance = 2,
    OptThreadId = 3,
    OptMars = 4,
    OptTraceId = 5,
    OptFedAuthRequired = 6,
    OptNonce = 7,
    OptTerminator = 0xFF,
};

enum Encryption : uint8_t {
    EncryptOff = 0,      // login packet only
    EncryptOn = 1,
    EncryptNotSupported = 2,
    EncryptRequired = 3,
};

enum Token : uint8_t {
    TokReturnStatus = 0x79,
    TokColMetadata = 0x81,
    TokTabName = 0xA4,
    TokColInfo = 0xA5,
    TokOrder = 0xA9,
    TokError = 0xAA,
    TokInfo = 0xAB,
    TokReturnValue = 0xAC,
    TokLoginAck = 0xAD,
    TokFeatureExtAck = 0xAE,
    TokRow = 0xD1,
    TokNbcRow = 0xD2,
    TokEnvChange = 0xE3,
    TokDone = 0xFD,
    TokDoneProc = 0xFE,
    TokDoneInProc = 0xFF,
};

enum DoneStatus : uint16_t {
    DoneFinal = 0x0000,
    DoneMore = 0x0001,
    DoneError = 0x0002,
    DoneInTransaction = 0x0004,
    DoneCount = 0x0010,
    DoneAttention = 0x0020,
    DoneServerError = 0x0100,
};

enum EnvChangeType : uint8_t {
    EnvDatabase = 1,
    EnvLanguage = 2,
    EnvPacketSize = 4,
    EnvCollation = 7,
    EnvBeginTransaction = 8,
    EnvCommitTransaction = 9,
    EnvRollbackTransaction = 10,
    EnvResetAck = 18,
};

// Data type codes (TYPE_INFO).
enum DataType : uint8_t {
    TypeNull = 0x1F,
    TypeInt1 = 0x30,
    TypeBit = 0x32,
    TypeInt2 = 0x34,
    TypeInt4 = 0x38,
    TypeDateTim4 = 0x3A,
    TypeFlt4 = 0x3B,
    TypeMoney = 0x3C,
    TypeDateTime = 0x3D,
    TypeFlt8 = 0x3E,
    TypeMoney4 = 0x7A,
    TypeInt8 = 0x7F,
    TypeGuid = 0x24,
    TypeIntN = 0x26,
    TypeDecimal = 0x37,   // legacy
    TypeNumeric = 0x3F,   // legacy
    TypeBitN = 0x68,
    TypeDecimalN = 0x6A,
    TypeNumericN = 0x6C,
    TypeFltN = 0x6D,
    TypeMoneyN = 0x6E,
    TypeDateTimeN = 0x6F,
    TypeDateN = 0x28,
    TypeTimeN = 0x29,
    TypeDateTime2N = 0x2A,
    TypeDateTimeOffsetN = 0x2B,
    TypeChar = 0x2F,      // legacy
    TypeVarChar = 0x27,   // legacy
    TypeBinary = 0x2D,    // legacy
    TypeVarBinary = 0x25, // legacy
    TypeBigVarBinary = 0xA5,
    TypeBigVarChar = 0xA7,
    TypeBigBinary = 0xAD,
    TypeBigChar = 0xAF,
    TypeNVarChar = 0xE7,
    TypeNChar = 0xEF,
    TypeXml = 0xF1,
    TypeUdt = 0xF0,
    TypeText = 0x23,
    TypeImage = 0x22,
    TypeNText = 0x63,
    TypeSsVariant = 0x62,
};

// A maximum length of 0xFFFF on a variable type means (max): the value travels in chunks.
inline constexpr uint16_t kMaxLengthPlp = 0xFFFF;
inline constexpr uint64_t kPlpNull = 0xFFFFFFFFFFFFFFFFull;
inline constexpr uint64_t kPlpUnknownLength = 0xFFFFFFFFFFFFFFFEull;

// The system procedures a client may name by number in an RPC.
enum SystemProcedure : uint16_t {
    SpCursor = 1,
    SpCursorOpen = 2,
    SpCursorPrepare = 3,
    SpCursorExecute = 4,
    SpCursorPrepExec = 5,
    SpCursorUnprepare = 6,
    SpCursorFetch = 7,
    SpCursorOption = 8,
    SpCursorClose = 9,
    SpExecuteSql = 10,
    SpPrepare = 11,
    SpExecute = 12,
    SpPrepExec = 13,
    SpPrepExecRpc = 14,
    SpUnprepare = 15,
};

// RPC parameter status bits.
enum ParamStatus : uint8_t {
    ParamByRef = 0x01,    // an output parameter
    ParamDefault = 0x02,
};

// Transaction manager requests.
enum TransactionRequestType : uint16_t {
    TmGetDtcAddress = 0,
    TmPropagate = 1,
    TmBegin = 5,
    TmPromote = 6,
    TmCommit = 7,
    TmRollback = 8,
    TmSave = 9,
};

// The database's collation for every text column: Cyrillic, case-insensitive,
// accent-sensitive, kana- and width-insensitive (LCID 0x0419, code page 1251).
inline constexpr uint8_t kCollation[5] = {0x19, 0x04, 0xD0, 0x00, 0x00};

} // namespace qel::server::tds
