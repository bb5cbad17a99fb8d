#include "platform/ras/error_text.h"

#include <iterator>

#include "platform/ras/dialup.h"

namespace tellmar::ras {
namespace {

// Indexed by code - error::kFirst.
constexpr const char* kTexts[] = {
    "An operation is pending.",                                      // 600
    "The port handle is not valid.",                                 // 601
    "The port is already open.",                                     // 602
    "The caller's buffer is too small.",                             // 603
    "Wrong information was given.",                                  // 604
    "The port information cannot be set.",                           // 605
    "The port is not connected.",                                    // 606
    "The event is not valid.",                                       // 607
    "The device does not exist.",                                    // 608
    "The device type does not exist.",                               // 609
    "The buffer is not valid.",                                      // 610
    "The route is not available.",                                   // 611
    "The route is not allocated.",                                   // 612
    "Invalid compression was given.",                                // 613
    "Out of buffers.",                                               // 614
    "The port was not found.",                                       // 615
    "An asynchronous request is pending.",                           // 616
    "The port or device is already disconnecting.",                  // 617
    "The port is not open.",                                         // 618
    "The port is disconnected.",                                     // 619
    "There are no endpoints.",                                       // 620
    "The phone book file cannot be opened.",                         // 621
    "The phone book file cannot be loaded.",                         // 622
    "The phone book entry cannot be found.",                         // 623
    "The phone book file cannot be written.",                        // 624
    "The phone book file holds invalid information.",                // 625
    "A string cannot be loaded.",                                    // 626
    "A key cannot be found.",                                        // 627
    "The port was disconnected.",                                    // 628
    "The port was disconnected by the remote machine.",              // 629
    "The port was disconnected because of a hardware failure.",      // 630
    "The port was disconnected by the user.",                        // 631
    "The structure size is not correct.",                            // 632
    "The port is in use or not configured for dialling out.",        // 633
    "The computer cannot be registered on the remote network.",      // 634
    "Unknown error.",                                                // 635
    "The wrong device is attached to the port.",                     // 636
    "The string cannot be converted.",                               // 637
    "The request has timed out.",                                    // 638
    "No asynchronous network is available.",                         // 639
    "A NetBIOS error has occurred.",                                 // 640
    "The server cannot allocate the NetBIOS resources it needs.",    // 641
    "One of the computer's NetBIOS names is already registered.",    // 642
    "A network adapter at the server failed.",                       // 643
    "Network message pop-ups will not be received.",                 // 644
    "Internal authentication error.",                                // 645
    "The account may not log on at this time of day.",               // 646
    "The account is disabled.",                                      // 647
    "The password has expired.",                                     // 648
    "The account has no remote access permission.",                  // 649
    "The remote access server is not responding.",                   // 650
    "The modem or other connecting device reported an error.",       // 651
    "The device gave a response that was not recognised.",           // 652
    "A macro the device needs was not found.",                       // 653
    "A device command refers to an undefined macro.",                // 654
    "The message macro was not found.",                              // 655
    "The default-off macro was not found.",                          // 656
    "The device information file cannot be opened.",                 // 657
    "The device name is too long.",                                  // 658
    "The device name is not in the device information file.",        // 659
    "The device information file has no responses for a command.",   // 660
    "The device information file is missing a command.",             // 661
    "A key that is not in the device information file was used.",    // 662
    "The device type is unknown.",                                   // 663
    "Memory cannot be allocated.",                                   // 664
    "The port is not configured for remote access.",                 // 665
    "The modem or other connecting device is not working.",          // 666
    "The modem information file cannot be read.",                    // 667
    "The connection dropped.",                                       // 668
    "The usage parameter in the device file is not valid.",          // 669
    "The section name cannot be read from the device file.",         // 670
    "The device type cannot be read from the device file.",          // 671
    "The device name cannot be read from the device file.",          // 672
    "The usage cannot be read from the device file.",                // 673
    "The maximum connection speed cannot be read.",                  // 674
    "The maximum carrier speed cannot be read.",                     // 675
    "The line is busy.",                                             // 676
    "A person answered instead of a modem.",                         // 677
    "There is no answer.",                                           // 678
    "No carrier was detected.",                                      // 679
    "There is no dial tone.",                                        // 680
    "The device reported a general error.",                          // 681
    "The section name cannot be written.",                           // 682
    "The device type cannot be written.",                            // 683
    "The device name cannot be written.",                            // 684
    "The maximum connection speed cannot be written.",               // 685
    "The maximum carrier speed cannot be written.",                  // 686
    "The usage cannot be written.",                                  // 687
    "The default-off setting cannot be written.",                    // 688
    "The default-off setting cannot be read.",                       // 689
    "The device information file is empty.",                         // 690
    "Access was denied: the user name or password is not valid.",    // 691
    "The port or the attached device failed.",                       // 692
    "A binary macro is not valid.",                                  // 693
    "The device control block was not found.",                       // 694
    "The state machines are not started.",                           // 695
    "The state machines are already started.",                       // 696
    "The response is looping.",                                      // 697
    "A response key name is not known.",                             // 698
    "The device's receive buffer is full.",                          // 699
    "A device command is too long.",                                 // 700
    "The device moved to an unsupported speed.",                     // 701
    "The device gave an unexpected response.",                       // 702
    "The connection needs an answer from the user.",                 // 703
    "The callback number is not valid.",                             // 704
    "The authorisation state is not valid.",                         // 705
    "The initial speed cannot be written.",                          // 706
    "An X.25 diagnostic was reported.",                              // 707
    "The account has expired.",                                      // 708
    "The password on the domain cannot be changed.",                 // 709
    "Serial overrun errors were detected.",                          // 710
    "The remote access manager cannot start.",                       // 711
    "The two-way port is initialising.",                             // 712
    "No ISDN lines are active.",                                     // 713
    "No ISDN channels are available.",                               // 714
    "Too many errors occurred because of poor line quality.",        // 715
    "The IP configuration is not usable.",                           // 716
    "No IP addresses are available.",                                // 717
    "The PPP negotiation timed out.",                                // 718
    "PPP was ended by the remote machine.",                          // 719
    "No PPP control protocols are configured.",                      // 720
    "The remote PPP peer is not responding.",                        // 721
    "The PPP packet is not valid.",                                  // 722
    "The phone number is too long.",                                 // 723
    "IPX dialling out is not configured.",                           // 724
    "IPX dialling in is not configured.",                            // 725
    "IPX is already in use by another dial-out connection.",         // 726
    "The TCP/IP configuration cannot be accessed.",                  // 727
    "No IP adapter for remote access was found.",                    // 728
    "SLIP needs IP to be installed.",                                // 729
    "Computer registration is not complete.",                        // 730
    "The protocol is not configured.",                               // 731
    "The PPP negotiation is not converging.",                        // 732
    "The PPP control protocol was rejected by the remote peer.",     // 733
    "The PPP link control protocol was ended.",                      // 734
    "The requested address was rejected by the server.",             // 735
    "The remote computer ended the control protocol.",               // 736
    "A loopback was detected.",                                      // 737
    "The server did not assign an address.",                         // 738
    "The logon credentials cannot be used for this server.",         // 739
    "The telephony configuration is not valid.",                     // 740
    "The local computer does not support the encryption asked for.", // 741
    "The remote server does not support the encryption asked for.",  // 742
    "The remote server requires encryption.",                        // 743
    "The IPX network number is already in use.",                     // 744
    "A file the service needs is missing.",                          // 745
    "The connection script is not valid.",                           // 746
    "The connection script failed.",                                 // 747
    "The scripting language is not supported.",                      // 748
    "The script syntax is not valid.",                               // 749
    "The callback number has an unknown form.",                      // 750
    "The callback number holds characters that are not allowed.",    // 751
    "A syntax error was found in the connection script.",            // 752
};
static_assert(std::size(kTexts) == error::kLast - error::kFirst + 1);

}  // namespace

std::optional<std::string> ServiceErrorText(int code) {
  if (code < error::kFirst || code > error::kLast) return std::nullopt;
  return std::string(kTexts[static_cast<std::size_t>(code - error::kFirst)]);
}

}  // namespace tellmar::ras
