/* NPjbus: JBUS (Modbus RTU) master for the NorvanePan unit's serial link.

   Every function uses the stdcall convention and is exported under its plain
   name. A port handle is a small non-negative number; -1 means "no port".
   One handle is used by one thread at a time.

   Rates: "baud" is the line rate in bit/s. 0 means the unit's usual rate,
   57600. The standard rates 1200, 2400, 4800, 9600, 19200, 38400, 57600 and
   115200 are accepted; any other rate makes JbusOpenCom fail. The line runs
   8 data bits, no parity, 1 stop bit; frame timing still counts 11 bits a
   character, the protocol's worst case.

   Each request waits for its answer up to a response time-out and is sent
   again after a time-out or a damaged answer, at most JBUS_ATTEMPTS times in
   all. An exception answer, a bad argument or a port failure is not retried.
   No word reaches the caller before the answer has been checked completely:
   slave, function, byte count, echoed address and count, CRC. */
#ifndef NPJBUS_H
#define NPJBUS_H

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#define JBUS_CALL __stdcall
#else
#define JBUS_CALL
#endif

#define JBUS_ATTEMPTS 3

/* Results: 0 success, never 0 for a failure. */
#define JBUS_OK 0
#define JBUS_ERR_ARGUMENT 1  /* bad handle, slave, address, count or null buffer */
#define JBUS_ERR_PORT 2      /* the port refused a read or a write */
#define JBUS_ERR_TIMEOUT 3   /* no answer, or an incomplete one, within the time-out */
#define JBUS_ERR_CRC 4       /* an answer whose CRC does not match */
#define JBUS_ERR_MALFORMED 5 /* an answer from another slave, for another function,
                                with a wrong byte count, echo or length */
/* The slave refused the request: JBUS_ERR_EXCEPTION + its exception code
   (1 illegal function, 2 illegal data address, 3 illegal data value,
   4 slave device failure, 6 slave busy). */
#define JBUS_ERR_EXCEPTION 100

/* Opens "COMn" (port names up to "COM9"; longer names are opened as given).
   Returns the port handle, or -1 when the port cannot be opened or configured
   or the rate is not supported. */
int JBUS_CALL JbusOpenCom(const char* port, int baud);

/* Closes the port and sets *handle back to -1. Returns JBUS_OK, or
   JBUS_ERR_ARGUMENT for a null pointer or a handle that is not open (the
   handle is set to -1 all the same). */
int JBUS_CALL JbusCloseCom(int* handle);

/* Function 3: reads count (1..125) holding registers from address. */
int JBUS_CALL JbusReadSeveralWords(int handle, int slave, int address, int count,
                                   unsigned short* words);
/* Function 16: writes count (1..123) registers from address. */
int JBUS_CALL JbusWriteSeveralWords(int handle, int slave, int address, int count,
                                    const unsigned short* words);
/* Function 6: writes one register. */
int JBUS_CALL JbusWriteOneWord(int handle, int slave, int address, unsigned short value);

#ifdef __cplusplus
}
#endif

#endif
