/* Write-parameter and disc-check entry points of the ISOburnParam library,
   which Brenlow links by name from its own folder. Both send their SCSI
   commands through the ASPI layer (platform/aspi/aspi.h). */
#ifndef QUANDOR_PLATFORM_ISOBURN_ISOBURN_H
#define QUANDOR_PLATFORM_ISOBURN_ISOBURN_H

#ifdef __cplusplus
extern "C" {
#endif

/* Sets the write-parameters mode page (05h) of the drive at
   adapter:target:lun through MODE SENSE(10) / MODE SELECT(10): write type
   from the low four bits of `options`, test write from 0x10, buffer-underrun
   protection from 0x40, audio tracks of raw 2352-byte blocks. The last two
   arguments are always 8 and 8 and are not used. Returns 1 when the drive
   accepted the page, 0 otherwise. */
__attribute__((visibility("default"))) int SetParameter(int adapter, int target, int lun, int options, int reserved1,
                                                        int reserved2);

/* Tests the drive at adapter:target:lun for a readable disc (the third
   argument is the target id). Returns 0 when a disc is ready, 1 when the unit
   is not ready, holds no disc or reports an error, 2 when no device answers
   at that address. */
__attribute__((visibility("default"))) int VerifData(int adapter, int lun, int target);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif
